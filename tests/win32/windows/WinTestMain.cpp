// parvolino-win32-tests [NAME]: runs every test (or the one named) and
// prints "N passed, N failed".
#include <windows.h>

#include <cstring>

#include "platform/ModuleInstance.h"
#include "tests/win32/windows/WinTest.h"

namespace wintest {
std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}
int failures = 0;
}  // namespace wintest

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // The artwork is linked into this program, which plays the module.
    moduleInstance = GetModuleHandleA(nullptr);
    int passed = 0, failed = 0;
    for (const wintest::Case& c : wintest::cases()) {
        if (argc > 1 && std::strcmp(argv[1], c.name) != 0)
            continue;
        const int before = wintest::failures;
        c.run();
        const bool ok = wintest::failures == before;
        std::printf("%s %s\n", ok ? "ok    " : "FAILED", c.name);
        (ok ? passed : failed)++;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
