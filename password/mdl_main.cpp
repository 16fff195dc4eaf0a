#include "password/mdl_main.h"

namespace kv::password::mdl_main {
namespace {

bool g_loginPassed = false;

} // namespace

bool LoginPassed() {
    return g_loginPassed;
}

void SetLoginPassed() {
    g_loginPassed = true;
}

void BeginLogin() {
    g_loginPassed = false;
}

} // namespace kv::password::mdl_main
