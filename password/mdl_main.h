#pragma once
// Data shared by the program's windows. Portable: no Windows headers.

namespace kv::password::mdl_main {

// Whether the right password was entered at the login. False when the program starts;
// only the login dialog sets it, and nothing sets it back. The start-up gate reads it
// once, after the login dialog has closed.
[[nodiscard]] bool LoginPassed();
void SetLoginPassed();

// Tests run several start-ups in one process; the program never calls this.
void ResetLoginPassedForTesting();

} // namespace kv::password::mdl_main
