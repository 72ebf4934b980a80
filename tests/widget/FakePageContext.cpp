#include "FakePageContext.h"

#include "dialogs/CMessageboxDlg.h"
#include "shell/Language.h"

#include <algorithm>
#include <thread>

namespace corvane::test {

bool FakeMainWindow::ShowBlendPage(bool show) {
    blendRequests.push_back(show);
    return show;
}

void FakeMainWindow::SetLayerSwitch(int layer, bool on) {
    switches.emplace_back(layer, on);
    switchOn[static_cast<std::size_t>(layer & 3)] = on;
    if (m_state)
        m_state->layers[static_cast<std::size_t>(layer & 3)].visible = on ? 1 : 0;
    if (onLayerSwitch)
        onLayerSwitch(layer & 3, on);
}

FakePageContext::FakePageContext(DeviceState& state, Config& config, SessionPort* port)
    : session(state, *this, port), link(session.Link()), main(&state), m_state(state), m_config(config) {}

bool FakePageContext::SaveSettings() {
    ++saves;
    return onSave ? onSave() : true;
}

void FakePageContext::SendToDevice(const std::uint8_t* data, std::size_t length) {
    Frame f{};
    std::copy(data, data + std::min(length, f.size()), f.begin());
    sent.push_back(f);
    sentBytes.emplace_back(data, data + length);
    if (length == kFrameSize && FrameCode(data) == kCmdRequestAll)
        ++requests;
    if (edits && m_state.linkState == kLinkSynchronised)
        edits->Sent(data, length);
    if (onSend)
        onSend(data, length);
}

LineSend FakePageContext::SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) {
    ++lineWrites;
    if (lineResult != LineSend::Queued)
        return lineResult;
    SendToDevice(data, length);
    if (onLineWrite)
        onLineWrite(ticket);
    return LineSend::Queued;
}

void FakePageContext::ShowWait(const std::string& text) {
    waitTexts.push_back(text);
    waitShown = true;
}

void FakePageContext::HideWait() {
    ++hideWaits;
    waitShown = false;
}

bool FakePageContext::EndWait(const std::string& text) {
    if (!waitShown || waitTexts.empty() || waitTexts.back() != text)
        return false;
    ++endedWaits;
    waitShown = false;
    return true;
}

void FakePageContext::RequestAll() {
    session.RequestAll();
}

int FakePageContext::ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode) {
    return ShowMessageBox(nullptr, title, text, mode);
}

std::string FakePageContext::LanguageName() const {
    return GetLanguageSetting();
}

void FakePageContext::SetOpenWindow(Window window, MessageWindow* open) {
    if (open)
        windows[window] = open;
    else
        windows.erase(window);
}

MessageWindow* FakePageContext::WindowOf(Window window) {
    if (window == Window::MainWindow)
        return &main;
    const auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second;
}

void FakePageContext::PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    if (MessageWindow* w = WindowOf(window))
        PostWindowMessage(w, message, wParam, lParam);
}

std::intptr_t FakePageContext::SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
    MessageWindow* w = WindowOf(window);
    return w ? SendWindowMessage(w, message, wParam, lParam) : 0;
}

void FakePageContext::Pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace corvane::test
