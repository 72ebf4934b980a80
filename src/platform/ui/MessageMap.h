#pragma once

// The table from message (and control id or timer number) to handler of one window class.
//
//   std::intptr_t CMyPage::WindowProc(const WindowMessage& m) {
//       using Map = MessageMap<CMyPage, CBaseDialog>;
//       static const Map map{
//           Map::Command(1104, &CMyPage::OnApply),                        // button clicked
//           Map::ControlMessage(WM_VALUE_COMMITTED, 1203, &CMyPage::OnWidth),
//           Map::Message(WM_DEVICE_REPLY, &CMyPage::OnDeviceReply),
//           Map::Timer(6, &CMyPage::OnBlink),
//       };
//       return map.Dispatch(*this, m);
//   }
//
// The first entry that matches handles the message; a message no entry takes goes to
// Base::WindowProc, so the base class's table is consulted after the page's own.

#include "platform/ui/MessageWindow.h"
#include "platform/ui/SystemMessages.h"

#include <initializer_list>
#include <variant>
#include <vector>

namespace corvane {

template <class T, class Base> class MessageMap {
public:
    using MessageHandler = std::intptr_t (T::*)(std::uintptr_t wParam, std::intptr_t lParam);
    using Handler = void (T::*)();
    using IdHandler = void (T::*)(int id);

    class Entry {
    public:
        bool Matches(const WindowMessage& m) const {
            switch (m_kind) {
            case Kind::Message:
                return m.message == m_message;
            case Kind::Command:
                return m.message == WM_COMMAND && HighWord(m.wParam) == m_code &&
                       LowWord(m.wParam) >= m_first && LowWord(m.wParam) <= m_last;
            case Kind::ControlMessage:
            case Kind::Timer:
                return m.message == m_message && m.wParam == static_cast<std::uintptr_t>(m_first);
            }
            return false;
        }

        std::intptr_t Call(T& window, const WindowMessage& m) const {
            if (auto* h = std::get_if<MessageHandler>(&m_handler))
                return (window.**h)(m.wParam, m.lParam);
            if (auto* h = std::get_if<IdHandler>(&m_handler)) {
                (window.**h)(LowWord(m.wParam));
                return 0;
            }
            (window.*std::get<Handler>(m_handler))();
            return 0;
        }

    private:
        friend class MessageMap;
        enum class Kind { Message, Command, ControlMessage, Timer };
        Kind m_kind = Kind::Message;
        std::uint32_t m_message = 0;
        int m_first = 0;
        int m_last = 0;
        std::uint16_t m_code = 0;
        std::variant<MessageHandler, Handler, IdHandler> m_handler;
    };

    // Any `message`; the handler gets wParam and lParam and its result is the message's.
    static Entry Message(std::uint32_t message, MessageHandler handler) {
        Entry e;
        e.m_kind = Entry::Kind::Message;
        e.m_message = message;
        e.m_handler = handler;
        return e;
    }
    // WM_COMMAND from control `id` with notification `code` (a button click by default).
    static Entry Command(int id, Handler handler, std::uint16_t code = BN_CLICKED) {
        Entry e;
        e.m_kind = Entry::Kind::Command;
        e.m_message = WM_COMMAND;
        e.m_first = e.m_last = id;
        e.m_code = code;
        e.m_handler = handler;
        return e;
    }
    // WM_COMMAND from any control first..last; the handler gets the control's id.
    static Entry CommandRange(int first, int last, IdHandler handler, std::uint16_t code = BN_CLICKED) {
        Entry e;
        e.m_kind = Entry::Kind::Command;
        e.m_message = WM_COMMAND;
        e.m_first = first;
        e.m_last = last;
        e.m_code = code;
        e.m_handler = handler;
        return e;
    }
    // A control's own notification whose wParam is its id (value committed, item picked).
    static Entry ControlMessage(std::uint32_t message, int id, MessageHandler handler) {
        Entry e;
        e.m_kind = Entry::Kind::ControlMessage;
        e.m_message = message;
        e.m_first = id;
        e.m_handler = handler;
        return e;
    }
    // WM_TIMER of timer `id`.
    static Entry Timer(int id, Handler handler) {
        Entry e;
        e.m_kind = Entry::Kind::Timer;
        e.m_message = WM_TIMER;
        e.m_first = id;
        e.m_handler = handler;
        return e;
    }

    MessageMap(std::initializer_list<Entry> entries) : m_entries(entries) {}

    std::intptr_t Dispatch(T& window, const WindowMessage& m) const {
        for (const Entry& e : m_entries)
            if (e.Matches(m))
                return e.Call(window, m);
        return window.Base::WindowProc(m);
    }

private:
    std::vector<Entry> m_entries;
};

} // namespace corvane
