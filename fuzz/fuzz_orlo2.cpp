#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::Run(data, size, ".txt",
                     [](CArchiveData& a, const std::string& p) { return a.LoadOrlo2Txt(p); });
}
