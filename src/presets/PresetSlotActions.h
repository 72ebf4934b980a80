#pragma once

// What "Save", "Load" and "Delete" of a preset slot do, without widgets: which question the
// operator is asked (under "Presets Setting"), what happens on each answer, and which message
// tells the outcome. The page answers for the slot through PresetSlotHost: it shows the boxes
// and does the file work and the send.

#include "presets/PresetStore.h"

#include <string>

namespace corvane {

class PresetSlotHost {
public:
    virtual ~PresetSlotHost() = default;
    virtual bool Synchronised() const = 0;
    // Asks `question` under "Presets Setting"; true when the operator answers OK.
    virtual bool Ask(const std::string& question) = 0;
    // Shows `message` under `title` until the operator closes it.
    virtual void Tell(const std::string& title, const std::string& message) = 0;
    virtual bool HasFile() const = 0;
    // Writes the state the application holds as the slot's file.
    virtual PresetSaveResult Save() = 0;
    // Reads the slot's file and sends it to the processor; false when there was no file of a
    // preset's size to send.
    virtual bool Send() = 0;
    // Removes the slot's file; false when it could not be removed.
    virtual bool Delete() = 0;
};

// Save needs no link: asked, then written; a failed write is told.
void SavePresetSlot(PresetSlotHost& host, const std::string& shownName);
// Load needs a synchronised link before the question and again after the answer (the link may
// have gone while the operator answered: nothing would be sent, and the wait would only end with
// its time-out); a slot without a file to send is told.
void LoadPresetSlot(PresetSlotHost& host, const std::string& shownName);
// Delete asks only when the slot has a file, and tells the outcome.
void DeletePresetSlot(PresetSlotHost& host, const std::string& shownName);

} // namespace corvane
