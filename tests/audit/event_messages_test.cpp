// Every event Kelvane writes has its message in kelvane.exe's message table, the file the
// package registers for the source, and that message shows each of the event's inserts
// and no other: read back from the built exe as Event Viewer reads it.

#include "audit/audit_trail.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

namespace kv::audit {
namespace {

using protection::OnOff;
using protection::Switch;

std::wstring KelvaneExe() {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L'\\') + 1);
    for (const char c : std::string_view(KELVANE_EXE_FROM_TEST)) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

class EventMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(KelvaneExe().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "kelvane.exe: error " << ::GetLastError();
    }
    void TearDown() override {
        if (module_) {
            ::FreeLibrary(module_);
        }
    }

    // The message with marks for its inserts: "<1>" for %1 and so on, nine offered.
    std::wstring Format(DWORD id) const {
        static const std::array<std::wstring, 9> marks = {L"<1>", L"<2>", L"<3>", L"<4>", L"<5>",
                                                          L"<6>", L"<7>", L"<8>", L"<9>"};
        std::array<DWORD_PTR, 9> arguments{};
        for (std::size_t i = 0; i < marks.size(); ++i) {
            arguments[i] = reinterpret_cast<DWORD_PTR>(marks[i].c_str());
        }
        LPWSTR text = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                FORMAT_MESSAGE_ARGUMENT_ARRAY,
            module_, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
            reinterpret_cast<LPWSTR>(&text), 0, reinterpret_cast<va_list*>(arguments.data()));
        std::wstring message = length ? std::wstring(text, length) : L"";
        ::LocalFree(text);
        return message;
    }

    HMODULE module_ = nullptr;
};

// One of every event the program writes.
std::vector<Event> EveryEvent() {
    std::vector<Event> events;
    const AuditTrail trail(
        [&events](const Event& event) {
            events.push_back(event);
            return 0L;
        },
        Origin::Window);
    for (const Outcome outcome : {Outcome::Done, Outcome::Refused, Outcome::Failed}) {
        trail.ProtectionChange(Switch::UsbLock, OnOff::Off, OnOff::On, outcome, L"why");
    }
    for (const LayerChange change : {LayerChange::Added, LayerChange::Removed}) {
        trail.PolicyLayer(change, Outcome::Done);
    }
    trail.PolicyLayer(LayerChange::Added, Outcome::Refused, L"why");
    trail.PolicyLayer(LayerChange::Added, Outcome::Failed, L"why");
    for (const PasswordChange change :
         {PasswordChange::Set, PasswordChange::Changed, PasswordChange::Removed}) {
        trail.Password(change, true);
    }
    trail.Password(PasswordChange::Set, false, L"why");
    trail.PasswordCheckFailed();
    return events;
}

TEST_F(EventMessagesTest, EveryEventHasAMessageShowingEachOfItsInsertsOnce) {
    const std::vector<Event> events = EveryEvent();
    std::set<unsigned> ids;
    for (const Event& event : events) {
        const auto id = static_cast<DWORD>(event.id);
        SCOPED_TRACE(id);
        ids.insert(id);
        const std::wstring text = Format(id);
        ASSERT_FALSE(text.empty()) << "no message, error " << ::GetLastError();
        for (std::size_t i = 1; i <= 9; ++i) {
            const std::wstring mark = L"<" + std::to_wstring(i) + L">";
            const std::size_t at = text.find(mark);
            if (i <= event.inserts.size()) {
                EXPECT_NE(at, std::wstring::npos) << "%" << i << " is not shown";
                EXPECT_EQ(text.find(mark, at + 1), std::wstring::npos) << "%" << i << " twice";
            } else {
                EXPECT_EQ(at, std::wstring::npos) << "%" << i << " has no insert to show";
            }
        }
        EXPECT_EQ(text.find(L'%'), std::wstring::npos) << "an insert escaped formatting";
    }
    EXPECT_EQ(ids.size(), events.size()) << "two kinds of event share an id";
}

TEST_F(EventMessagesTest, CategoriesHaveTheirNames) {
    EXPECT_EQ(Format(static_cast<DWORD>(Category::Protection)), L"Protection");
    EXPECT_EQ(Format(static_cast<DWORD>(Category::Password)), L"Password");
}

} // namespace
} // namespace kv::audit
