// A small test runner for the Windows side, run under Wine: the cross builds
// have no test framework. Each test is a function; CHECK prints the failing
// expression with its line and counts it.
#pragma once

#include <cstdio>
#include <vector>

namespace wintest {

struct Case {
    const char* name;
    void (*run)();
};
std::vector<Case>& cases();
extern int failures;

struct Registrar {
    Registrar(const char* name, void (*run)()) { cases().push_back({name, run}); }
};

}  // namespace wintest

#define WIN_TEST(name)                                                \
    static void name();                                               \
    static wintest::Registrar name##Registrar(#name, name);           \
    static void name()

#define CHECK(expression)                                                                   \
    do {                                                                                    \
        if (!(expression)) {                                                                \
            ++wintest::failures;                                                            \
            std::printf("%s:%d: FAILED: %s\n", __FILE__, __LINE__, #expression);          \
        }                                                                                   \
    } while (0)

#define CHECK_EQ(actual, expected)                                                               \
    do {                                                                                         \
        auto a_ = (actual);                                                                      \
        auto e_ = (expected);                                                                    \
        if (!(a_ == e_)) {                                                                       \
            ++wintest::failures;                                                                 \
            std::printf("%s:%d: FAILED: %s == %s (got 0x%llx, want 0x%llx)\n", __FILE__, __LINE__, \
                        #actual, #expected, static_cast<unsigned long long>(a_),                 \
                        static_cast<unsigned long long>(e_));                                    \
        }                                                                                        \
    } while (0)
