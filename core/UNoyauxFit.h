#pragma once
// The hot loops of FIT decoding and rendering. Each has a vector version,
// used where the processor offers it, and a plain one, chosen at run time;
// both give the same values and bytes.
//
// Both walk memory in tiles whose every cache line is used whole while it is
// in cache (decoding: 64-row tiles of 32-column strips, decoded into an L1
// buffer and written out a column at a time, as whole cache lines;
// rendering: 8 columns read down a 256-row tile at a time), so that their
// cost does not depend on the image's width or height being a power of two.
#include <bit>
#include <cstddef>
#include <cstdint>

namespace NoyauxFit {

// Rounded pixel value for the table paths: true with i = round(v) (halves to
// even) when that is 0..65535. 1.5 x 2^52 puts the integer part in the low
// mantissa bits under the default rounding mode.
inline bool IndexRapide(double v, uint32_t& i)
{
    if (!(v > -0.5 && v < 65535.5))
        return false;
    const double d = v + 6755399441055744.0;
    i = static_cast<uint32_t>(std::bit_cast<uint64_t>(d)) & 0xFFFFu;
    return true;
}

// A band of file rows of 16-bit big-endian samples, decoded into columns.
// Each sample becomes a key k = raw ^ Inversion (keys sort as the samples
// do) and the pixel k when Identite, (k - Decalage) x BScale + BZero
// otherwise. File row Rang0 + r goes to y = Hauteur - 1 - Rang0 - r.
struct TBande16 {
    const unsigned char* Source = nullptr; // Rangs rows of Largeur samples
    double* Pixels = nullptr;              // Largeur columns of Hauteur values
    int64_t Largeur = 0;
    int64_t Hauteur = 0;
    int64_t Rang0 = 0;
    int64_t Rangs = 0;
    uint16_t Inversion = 0;
    bool Identite = true;
    double Decalage = 0;
    double BScale = 1;
    double BZero = 0;
};

// What a decode saw: the smallest and largest key.
struct TCles {
    uint16_t Min = 0xFFFF;
    uint16_t Max = 0;
};

// Counts n consecutive 16-bit big-endian samples into kSousTables tables of
// 65536 counters, to be summed: counter 256 p[0] + p[1] of one of them for
// the sample's bytes p[0] p[1] (the raw sample; its key is that ^
// Inversion). A tight loop of increments over bytes in cache costs less than
// taking the keys out of the decoding's vectors.
constexpr int kSousTables = 2;
void CompterEchantillons16(const unsigned char* source, int64_t n, uint32_t* tables);

// Decodes the columns x0 .. x1 - 1 of the band (x0 a multiple of 32).
void DecoderBande16(const TBande16& bande, int64_t x0, int64_t x1, TCles& cles);

// Rendering of columns into an 8-bit bitmap: the byte of a value v is
// Table[round(v)] when round(v) is 0..65535, Hors(v, Contexte) otherwise.
struct TRendu {
    const double* Pixels = nullptr; // columns of Hauteur values
    int64_t Hauteur = 0;
    unsigned char* Octets = nullptr; // row 0 of the bitmap
    ptrdiff_t Pas = 0;               // bytes per bitmap row
    const uint8_t* Table = nullptr;  // 65536 entries
    unsigned char (*Hors)(double, const void*) = nullptr;
    const void* Contexte = nullptr;
};

// Renders the columns x0 .. x1 - 1 (x0 a multiple of 64).
void RendreColonnes(const TRendu& rendu, int64_t x0, int64_t x1);

// True when the vector versions run. Tests force the plain ones to compare.
bool VecteursActifs();
void ForcerNoyauxSimples(bool simples);

} // namespace NoyauxFit
