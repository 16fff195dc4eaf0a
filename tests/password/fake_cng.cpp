// A DLL that exports CNG's names, to be planted beside a test program.

extern "C" {
__declspec(dllexport) long BCryptOpenAlgorithmProvider() {
    return -1;
}
__declspec(dllexport) long BCryptCloseAlgorithmProvider() {
    return -1;
}
__declspec(dllexport) long BCryptDeriveKeyPBKDF2() {
    return -1;
}
__declspec(dllexport) long BCryptGenRandom() {
    return -1;
}
}
