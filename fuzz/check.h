#pragma once
#include <cstdio>
#include <cstdlib>
// Ends the run, so that libFuzzer keeps the input that broke the rule.
#define FUZZ_CHECK(condition) (condition) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort())
