#pragma once
// Data shared by the program's windows. Portable: no Windows headers.

namespace kv::password::mdl_main {

// Whether the right password was entered at the login of this start-up. False until the
// login dialog sets it; the start-up gate begins each start-up with it false and reads it
// once, after the login dialog has closed.
[[nodiscard]] bool LoginPassed();
void SetLoginPassed();
// A start-up's login begins: not passed until the dialog says so, whatever an earlier
// start-up in the same process found.
void BeginLogin();

} // namespace kv::password::mdl_main
