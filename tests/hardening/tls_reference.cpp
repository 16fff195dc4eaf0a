// An exe built like the shipped programs but without the callback that narrows the DLL
// search: the run-time's own TLS callbacks, threads included, for the tls check to count.
#include <thread>

int main() {
    int ran = 0;
    std::thread worker([&ran] { ran = 1; });
    worker.join();
    return ran == 1 ? 0 : 1;
}
