// Writes the two pointer files the panels load at run time: CrossHair.cur, a 32 x 32 crosshair
// whose hotspot is its centre, and Blank.cur, a pointer with no visible pixel. The bytes follow
// the Windows cursor format (one 32-bit image with its AND mask), which Qt reads as well.

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

constexpr int Side = 32;
constexpr int Centre = Side / 2;
constexpr std::uint32_t Transparent = 0x00000000;
constexpr std::uint32_t Black = 0xFF000000;
constexpr std::uint32_t White = 0xFFFFFFFF;

using Image = std::array<std::uint32_t, Side * Side>; // ARGB, row 0 at the top

void setPixel(Image &image, int x, int y, std::uint32_t argb)
{
    if (x >= 0 && x < Side && y >= 0 && y < Side)
        image[static_cast<std::size_t>(y * Side + x)] = argb;
}

// Black strokes with a white rim, so the cross shows on dark and light pictures alike; the
// gap round the centre keeps the pointed-at pixel in view, the dot marks it.
Image crosshair()
{
    constexpr int gap = 3;
    constexpr int reach = 12;
    Image image{};
    image.fill(Transparent);
    for (int pass = 0; pass < 2; ++pass) {
        const int rim = pass == 0 ? 1 : 0;
        const std::uint32_t colour = pass == 0 ? White : Black;
        for (int d = gap - rim; d <= reach + rim; ++d) {
            for (int w = -rim; w <= rim; ++w) {
                setPixel(image, Centre + w, Centre - d, colour);
                setPixel(image, Centre + w, Centre + d, colour);
                setPixel(image, Centre - d, Centre + w, colour);
                setPixel(image, Centre + d, Centre + w, colour);
            }
        }
    }
    setPixel(image, Centre, Centre, Black);
    return image;
}

Image blank()
{
    Image image{};
    image.fill(Transparent);
    return image;
}

void put16(std::vector<std::uint8_t> &out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

// Bitmap rows are stored bottom-up: colour rows (BGRA) first, then the 1-bit AND mask rows,
// where a set bit leaves the screen untouched.
std::vector<std::uint8_t> bitmapBytes(const Image &image)
{
    std::vector<std::uint8_t> out;
    for (int y = Side - 1; y >= 0; --y) {
        for (int x = 0; x < Side; ++x)
            put32(out, image[static_cast<std::size_t>(y * Side + x)]);
    }
    for (int y = Side - 1; y >= 0; --y) {
        std::uint32_t bits = 0;
        for (int x = 0; x < Side; ++x) {
            if ((image[static_cast<std::size_t>(y * Side + x)] >> 24) == 0)
                bits |= 0x80000000u >> x;
        }
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return out;
}

std::vector<std::uint8_t> cursorFile(const Image &image, int hotX, int hotY)
{
    constexpr std::uint32_t directorySize = 6 + 16;
    constexpr std::uint32_t headerSize = 40;
    const std::vector<std::uint8_t> bitmap = bitmapBytes(image);
    std::vector<std::uint8_t> out;
    put16(out, 0); // reserved
    put16(out, 2); // cursor resource
    put16(out, 1); // one image
    out.push_back(Side);
    out.push_back(Side);
    out.push_back(0); // no palette
    out.push_back(0);
    put16(out, static_cast<std::uint16_t>(hotX));
    put16(out, static_cast<std::uint16_t>(hotY));
    put32(out, headerSize + static_cast<std::uint32_t>(bitmap.size()));
    put32(out, directorySize);
    put32(out, headerSize);
    put32(out, Side);
    put32(out, Side * 2); // colour rows and mask rows together
    put16(out, 1);        // planes
    put16(out, 32);       // bits per pixel
    put32(out, 0);        // uncompressed
    put32(out, static_cast<std::uint32_t>(bitmap.size()));
    for (int i = 0; i < 4; ++i)
        put32(out, 0); // resolution and palette counts
    out.insert(out.end(), bitmap.begin(), bitmap.end());
    return out;
}

bool writeFile(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        std::cerr << "make-cursors: cannot write " << path << '\n';
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: make-cursors <output folder>\n";
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool ok = writeFile(folder / "CrossHair.cur", cursorFile(crosshair(), Centre, Centre)) &&
                    writeFile(folder / "Blank.cur", cursorFile(blank(), 0, 0));
    return ok ? 0 : 1;
}
