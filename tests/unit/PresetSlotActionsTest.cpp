// Save, Load and Delete of a slot: the question, each answer, the link before and after the
// answer, the outcome of the file work and the message that tells it.

#include "presets/PresetSlotActions.h"

#include "shell/Language.h"

#include <gtest/gtest.h>
#include <string>

using namespace corvane;

namespace {

struct Case {
    const char* name;
    void (*action)(PresetSlotHost&, const std::string&);
    bool synchronised, linkGoesWhileAsked, answer, hasFile;
    PresetSaveResult saved;
    bool done; // the send, the delete
    std::string log;
};

// Plays the page as the case says; what happens goes to `log`.
struct ScriptedHost : PresetSlotHost {
    explicit ScriptedHost(const Case& c) : c(c), synchronised(c.synchronised) {}
    bool Synchronised() const override { return synchronised; }
    bool Ask(const std::string& question) override {
        log += "ask " + question + "|";
        synchronised = synchronised && !c.linkGoesWhileAsked;
        return c.answer;
    }
    void Tell(const std::string& title, const std::string& message) override {
        log += "tell " + title + ": " + message + "|";
    }
    bool HasFile() const override { return c.hasFile; }
    PresetSaveResult Save() override { return log += "save|", c.saved; }
    bool Send() override { return log += "send|", c.done; }
    bool Delete() override { return log += "delete|", c.done; }

    const Case& c;
    bool synchronised;
    std::string log;
};

TEST(PresetSlotActions, AskThenActAndTellWhatWentWrongOrTheDeletesOutcome) {
    ResetMessageTable();
    const std::string save = "ask Save The Preset: 【Show】?|", load = "ask Load Preset: 【Show】?|",
                      del = "ask Delete Presets file,【Show】?|",
                      noLink = "tell Tips: Please open the serial!|";
    constexpr auto Saved = PresetSaveResult::Saved;
    const Case cases[] = {
        {"save declined", SavePresetSlot, true, false, false, true, Saved, true, save},
        {"saved without a link", SavePresetSlot, false, false, true, true, Saved, true, save + "save|"},
        {"save of a read-only file", SavePresetSlot, true, false, true, true, PresetSaveResult::ReadOnly,
         true, save + "save|tell Tips: Save The Preset file failure!|"},
        {"save failing to write", SavePresetSlot, true, false, true, true, PresetSaveResult::WriteFailed,
         true, save + "save|tell Tips: Save The Preset file failure!|"},
        {"load without a link asks nothing", LoadPresetSlot, false, false, true, true, Saved, true, noLink},
        {"load declined", LoadPresetSlot, true, false, false, true, Saved, true, load},
        {"load sent", LoadPresetSlot, true, false, true, true, Saved, true, load + "send|"},
        {"the link gone while asked", LoadPresetSlot, true, true, true, true, Saved, true, load + noLink},
        {"no file of a preset's size", LoadPresetSlot, true, false, true, true, Saved, false,
         load + "send|tell Tips: Read Preset file failure!|"},
        {"delete without a file asks nothing", DeletePresetSlot, true, false, true, false, Saved, true, ""},
        {"delete declined", DeletePresetSlot, true, false, false, true, Saved, true, del},
        {"deleted", DeletePresetSlot, false, false, true, true, Saved, true,
         del + "delete|tell Presets Setting: Delete success!|"},
        {"not deleted", DeletePresetSlot, true, false, true, true, Saved, false,
         del + "delete|tell Presets Setting: Delete failure!|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host(c);
        c.action(host, "Show");
        EXPECT_EQ(host.log, c.log);
    }
}

} // namespace
