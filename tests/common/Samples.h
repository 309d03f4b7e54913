#pragma once

#include <string>

// The bundled demo archive.
#ifdef TERVIK_SAMPLES
inline const std::string kDemo = std::string(TERVIK_SAMPLES) + "/demo.mnr";
#else
inline const std::string kDemo = std::string(TERVIK_SOURCE_DIR) + "/samples/demo.mnr";
#endif
