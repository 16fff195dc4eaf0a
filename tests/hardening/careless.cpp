// Imports msimg32 (not a KnownDLL); linked without DEP and high-entropy ASLR.
#include <windows.h>

int main() {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, 0};
    return ::AlphaBlend(nullptr, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, blend) ? 0 : 1;
}
