#include "GifWriter.h"

#include "AtomicFile.h"

#include <QFile>

#include <gif_lib.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        if (gif) {
            int err = 0;
            EGifCloseFile(gif, &err);
        }
    }
};

// giflib's output function: appends to the std::string its user data points to.
int AppendBytes(GifFileType* gif, const GifByteType* data, int size) {
    try {
        auto* bytes = static_cast<std::string*>(gif->UserData);
        bytes->append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        return size;
    } catch (...) {
        return 0;
    }
}

} // namespace

bool WriteGif(const QImage& source, const QString& path) {
    if (source.isNull() || source.width() > 65535 || source.height() > 65535)
        return false;
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<GifByteType> indices(n);
    std::vector<GifColorType> colours;

    std::unordered_map<uint32_t, int> seen;
    bool exact = true;
    for (int y = 0; y < h && exact; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint32_t c = row[x] & 0xFFFFFF;
            auto it = seen.find(c);
            if (it == seen.end()) {
                if (seen.size() == 256) {
                    exact = false;
                    break;
                }
                it = seen.emplace(c, static_cast<int>(seen.size())).first;
                colours.push_back({static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                                   static_cast<GifByteType>(c)});
            }
            indices[static_cast<size_t>(y) * w + x] = static_cast<GifByteType>(it->second);
        }
    }
    int mapSize = 256;
    if (exact) {
        mapSize = 2;
        while (mapSize < static_cast<int>(colours.size()))
            mapSize *= 2;
        colours.resize(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
    } else {
        std::vector<GifByteType> r(n), g(n), b(n);
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                r[i] = static_cast<GifByteType>(row[x] >> 16);
                g[i] = static_cast<GifByteType>(row[x] >> 8);
                b[i] = static_cast<GifByteType>(row[x]);
            }
        }
        colours.assign(256, GifColorType{0, 0, 0});
        int count = 256;
        if (GifQuantizeBuffer(static_cast<unsigned>(w), static_cast<unsigned>(h), &count, r.data(), g.data(),
                              b.data(), indices.data(), colours.data()) != GIF_OK)
            return false;
    }

    // Encoded in memory, then written with every write checked.
    std::string bytes;
    bool ok = false;
    {
        int err = 0;
        GifCloser file{EGifOpen(&bytes, AppendBytes, &err)};
        if (!file.gif)
            return false;
        ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
        if (map) {
            int bits = 1;
            while ((1 << bits) < mapSize)
                ++bits;
            ok = EGifPutScreenDesc(file.gif, w, h, bits, 0, map) == GIF_OK &&
                 EGifPutImageDesc(file.gif, 0, 0, w, h, false, nullptr) == GIF_OK;
            for (int y = 0; ok && y < h; ++y)
                ok = EGifPutLine(file.gif, indices.data() + static_cast<size_t>(y) * w, w) == GIF_OK;
            GifFreeMapObject(map);
        }
        int closeErr = 0;
        ok = EGifCloseFile(file.gif, &closeErr) == GIF_OK && ok;
        file.gif = nullptr;
    }
    return ok && WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes);
}
