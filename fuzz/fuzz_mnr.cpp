#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::Run(data, size, ".mnr", [](CArchiveData& a, const std::string& p) { return a.LoadMnr(p); });
}
