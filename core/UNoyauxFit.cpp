#include "UNoyauxFit.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#define STELOR_VECTEURS 1
#endif

namespace NoyauxFit {

namespace {

constexpr int64_t kStripDecodage = 32; // columns: 64 bytes of each file row
constexpr int64_t kStripRendu = 64;    // columns: 64 bytes of each bitmap row

// ---------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------

inline void DecoderUn(const TBande16& b, int64_t x, int64_t r, TCles& cles)
{
    const unsigned char* p = b.Source + 2 * (r * b.Largeur + x);
    const uint16_t k = static_cast<uint16_t>(((p[0] << 8) | p[1]) ^ b.Inversion);
    cles.Min = std::min(cles.Min, k);
    cles.Max = std::max(cles.Max, k);
    b.Pixels[x * b.Hauteur + (b.Hauteur - 1 - b.Rang0 - r)] = b.Identite ? double(k) : (k - b.Decalage) * b.BScale + b.BZero;
}

void DecoderSimple(const TBande16& b, int64_t x0, int64_t x1, TCles& cles)
{
    for (int64_t xs = x0; xs < x1; xs += kStripDecodage) {
        const int64_t xf = std::min(x1, xs + kStripDecodage);
        for (int64_t r = b.Rangs - 1; r >= 0; --r)
            for (int64_t x = xs; x < xf; ++x)
                DecoderUn(b, x, r, cles);
    }
}

#if defined(STELOR_VECTEURS)
// Blocks of 8 columns x 8 file rows: one 16-byte load per row, 2 x 2
// transposes of doubles, and 8 consecutive values (y ascending) stored in
// each column, as two runs of 4. A strip's 4 blocks use each 64 bytes of a
// file row at once.
template <bool Identite>
void DecoderVecteurs(const TBande16& b, int64_t x0, int64_t x1, TCles& cles)
{
    const int64_t l = b.Largeur, h = b.Hauteur, n = b.Rangs;
    const int64_t nVect = n - n % 8;
    const __m128i inv = _mm_set1_epi16(static_cast<short>(b.Inversion));
    const __m128i signe = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i zero = _mm_setzero_si128();
    const __m128d dec = _mm_set1_pd(b.Decalage), sc = _mm_set1_pd(b.BScale), bz = _mm_set1_pd(b.BZero);
    __m128i mn = _mm_set1_epi16(0x7FFF), mx = _mm_set1_epi16(static_cast<short>(0x8000)); // keys ^ 0x8000, signed
    const auto valeurs = [&](__m128i k32) { // the two low 32-bit keys
        const __m128d v = _mm_cvtepi32_pd(k32);
        return Identite ? v : _mm_add_pd(_mm_mul_pd(_mm_sub_pd(v, dec), sc), bz);
    };
    for (int64_t xs = x0; xs < x1; xs += kStripDecodage) {
        const int64_t xf = std::min(x1, xs + kStripDecodage);
        const int64_t xfVect = xs + (xf - xs) / 8 * 8;
        for (int64_t rb = nVect - 8; rb >= 0; rb -= 8) {
            // The strip's next 8 file rows, each in its own page: more than
            // the processor fetches ahead on its own.
            if (rb >= 8)
                for (int r = 0; r < 8; ++r)
                    _mm_prefetch(reinterpret_cast<const char*>(b.Source + 2 * ((rb - 8 + r) * l + xs)), _MM_HINT_T0);
            for (int64_t xb = xs; xb < xfVect; xb += 8) {
                const unsigned char* p = b.Source + 2 * (rb * l + xb);
                // Four file rows at a time, four columns at a time: few
                // enough values to stay in the 16 vector registers.
                for (int moitie = 4; moitie >= 0; moitie -= 4) {
                    __m128i k[4];
                    for (int r = 0; r < 4; ++r) {
                        const __m128i brut =
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * (moitie + r) * l));
                        k[r] = _mm_xor_si128(_mm_or_si128(_mm_slli_epi16(brut, 8), _mm_srli_epi16(brut, 8)), inv);
                        const __m128i s = _mm_xor_si128(k[r], signe);
                        mn = _mm_min_epi16(mn, s);
                        mx = _mm_max_epi16(mx, s);
                    }
                    // File row Rang0 + rb + moitie + 3 is the smallest y here.
                    double* q = b.Pixels + xb * h + (h - 1 - (b.Rang0 + rb + moitie + 3));
                    for (int quart = 0; quart < 2; ++quart) {
                        __m128d v[4][2];
                        for (int r = 0; r < 4; ++r) {
                            const __m128i k32 = quart ? _mm_unpackhi_epi16(k[r], zero) : _mm_unpacklo_epi16(k[r], zero);
                            v[r][0] = valeurs(k32);
                            v[r][1] = valeurs(_mm_srli_si128(k32, 8));
                        }
                        double* c = q + (4 * quart) * h;
                        for (int j = 0; j < 2; ++j, c += 2 * h) {
                            _mm_storeu_pd(c + 0, _mm_unpacklo_pd(v[3][j], v[2][j]));
                            _mm_storeu_pd(c + 2, _mm_unpacklo_pd(v[1][j], v[0][j]));
                            _mm_storeu_pd(c + h, _mm_unpackhi_pd(v[3][j], v[2][j]));
                            _mm_storeu_pd(c + h + 2, _mm_unpackhi_pd(v[1][j], v[0][j]));
                        }
                    }
                }
            }
            // Columns of the strip beyond its last block of 8.
            for (int64_t r = rb + 7; r >= rb; --r)
                for (int64_t x = xfVect; x < xf; ++x)
                    DecoderUn(b, x, r, cles);
        }
        // Rows beyond the last block of 8.
        for (int64_t r = n - 1; r >= nVect; --r)
            for (int64_t x = xs; x < xf; ++x)
                DecoderUn(b, x, r, cles);
    }
    alignas(16) int16_t tmn[8], tmx[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(tmn), mn);
    _mm_store_si128(reinterpret_cast<__m128i*>(tmx), mx);
    for (int k = 0; k < 8; ++k) {
        cles.Min = std::min(cles.Min, static_cast<uint16_t>(tmn[k] ^ 0x8000));
        cles.Max = std::max(cles.Max, static_cast<uint16_t>(tmx[k] ^ 0x8000));
    }
}
#endif

// ---------------------------------------------------------------------------
// Rendering
// ---------------------------------------------------------------------------

inline unsigned char Octet(const TRendu& r, double v)
{
    uint32_t i;
    return IndexRapide(v, i) ? r.Table[i] : r.Hors(v, r.Contexte);
}

void RendreSimple(const TRendu& r, int64_t x0, int64_t x1)
{
    for (int64_t xs = x0; xs < x1; xs += kStripRendu) {
        const int64_t xf = std::min(x1, xs + kStripRendu);
        for (int64_t y = 0; y < r.Hauteur; ++y) {
            unsigned char* d = r.Octets + y * r.Pas;
            for (int64_t x = xs; x < xf; ++x)
                d[x] = Octet(r, r.Pixels[x * r.Hauteur + y]);
        }
    }
}

#if defined(STELOR_VECTEURS)
// 8 columns x 4 rows from row y: 16-byte loads of two rows of a column, one
// range test for the 32 values, and the rounded values taken from the low
// mantissa bits (less 32768, so that they pack to 16 bits).
inline void Bloc8x4(const TRendu& r, const double* const* c, int64_t y, unsigned char* d, ptrdiff_t pas)
{
    const __m128d bas = _mm_set1_pd(-0.5), haut = _mm_set1_pd(65535.5);
    const __m128d magique = _mm_set1_pd(6755399441055744.0 - 32768.0);
    const uint8_t* tab2 = r.Table + 32768;
    __m128i cles[2][4];
    __m128d dedans = _mm_castsi128_pd(_mm_set1_epi32(-1));
    for (int k = 0; k < 8; k += 2)
        for (int j = 0; j < 4; j += 2) {
            const __m128d a = _mm_loadu_pd(c[k] + y + j), b = _mm_loadu_pd(c[k + 1] + y + j);
            dedans = _mm_and_pd(dedans, _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(a, bas), _mm_cmplt_pd(a, haut)),
                                                   _mm_and_pd(_mm_cmpgt_pd(b, bas), _mm_cmplt_pd(b, haut))));
            const __m128i ea = _mm_shuffle_epi32(_mm_castpd_si128(_mm_add_pd(a, magique)), _MM_SHUFFLE(2, 0, 2, 0));
            const __m128i eb = _mm_shuffle_epi32(_mm_castpd_si128(_mm_add_pd(b, magique)), _MM_SHUFFLE(2, 0, 2, 0));
            cles[j / 2][k / 2] = _mm_unpacklo_epi64(ea, eb); // (k, y+j) (k, y+j+1) (k+1, y+j) (k+1, y+j+1)
        }
    if (_mm_movemask_pd(dedans) != 3) {
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 8; ++k)
                d[j * pas + k] = Octet(r, c[k][y + j]);
        return;
    }
    for (int j = 0; j < 4; j += 2) {
        const __m128i p0 = _mm_packs_epi32(cles[j / 2][0], cles[j / 2][1]);
        const __m128i p1 = _mm_packs_epi32(cles[j / 2][2], cles[j / 2][3]);
        alignas(16) int16_t t0[8], t1[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(t0), p0);
        _mm_store_si128(reinterpret_cast<__m128i*>(t1), p1);
        // Each row's 8 bytes gathered, then stored at once.
        uint64_t l0 = 0, l1 = 0;
        for (int k = 0; k < 4; ++k) {
            l0 |= uint64_t(tab2[t0[2 * k]]) << (8 * k) | uint64_t(tab2[t1[2 * k]]) << (8 * k + 32);
            l1 |= uint64_t(tab2[t0[2 * k + 1]]) << (8 * k) | uint64_t(tab2[t1[2 * k + 1]]) << (8 * k + 32);
        }
        unsigned char o0[8], o1[8];
        for (int k = 0; k < 8; ++k) {
            o0[k] = static_cast<unsigned char>(l0 >> (8 * k));
            o1[k] = static_cast<unsigned char>(l1 >> (8 * k));
        }
        std::memcpy(d + j * pas, o0, 8);
        std::memcpy(d + (j + 1) * pas, o1, 8);
    }
}

// Strips of 64 columns, tiles of 256 rows. Within a tile, 8 columns at a
// time, each read down its 2 KB: 8 streams the processor follows on its
// own, whose lines are used whole at once. Reading 64 columns a few rows at
// a time instead put 64 lines 32 KB apart in play at a height of 4096, all
// in the same cache sets. The tile's bytes go to an L1 buffer first, then to
// the bitmap a whole 64-byte row at a time.
constexpr int64_t kTuileRendu = 256; // rows: 16 KB of bytes, 2 KB per column
void RendreVecteurs(const TRendu& r, int64_t x0, int64_t x1)
{
    const int64_t h = r.Hauteur, hVect = h - h % 8;
    alignas(64) unsigned char tampon[kTuileRendu * kStripRendu];
    for (int64_t xs = x0; xs < x1; xs += kStripRendu) {
        const int64_t xf = std::min(x1, xs + kStripRendu);
        const int64_t xfVect = xs + (xf - xs) / 8 * 8;
        for (int64_t y0 = 0; y0 < hVect; y0 += kTuileRendu) {
            const int64_t yf = std::min(hVect, y0 + kTuileRendu);
            for (int64_t xb = xs; xb < xfVect; xb += 8) {
                const double* c[8];
                for (int k = 0; k < 8; ++k)
                    c[k] = r.Pixels + (xb + k) * h;
                unsigned char* d = tampon + (xb - xs);
                for (int64_t y = y0; y < yf; y += 4, d += 4 * kStripRendu)
                    Bloc8x4(r, c, y, d, kStripRendu);
            }
            for (int64_t y = y0; y < yf; ++y) {
                unsigned char* ligne = r.Octets + y * r.Pas;
                std::memcpy(ligne + xs, tampon + (y - y0) * kStripRendu, xfVect - xs);
                for (int64_t x = xfVect; x < xf; ++x)
                    ligne[x] = Octet(r, r.Pixels[x * h + y]);
            }
        }
        for (int64_t y = hVect; y < h; ++y)
            for (int64_t x = xs; x < xf; ++x)
                r.Octets[y * r.Pas + x] = Octet(r, r.Pixels[x * h + y]);
    }
}
#endif

// ---------------------------------------------------------------------------
// Choice at run time
// ---------------------------------------------------------------------------

bool ProcesseurVectoriel()
{
#if defined(STELOR_VECTEURS)
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("sse2"))
        return false;
#endif
    // An escape hatch for comparing the two versions outside the tests.
    return std::getenv("STELOR_NOYAUX_SIMPLES") == nullptr;
#else
    return false;
#endif
}

std::atomic<int> gForceSimple{-1}; // -1: the processor decides

} // namespace

bool VecteursActifs()
{
    static const bool processeur = ProcesseurVectoriel();
    const int f = gForceSimple.load(std::memory_order_relaxed);
    return f < 0 ? processeur : (f == 0 && processeur);
}

void ForcerNoyauxSimples(bool simples) { gForceSimple.store(simples ? 1 : 0, std::memory_order_relaxed); }

void CompterEchantillons16(const unsigned char* p, int64_t n, uint32_t* h)
{
    // The tables taken in turn: neighbouring samples, often equal in a sky,
    // then never wait on the same counter. Counters are indexed by the
    // sample itself, so that close values share cache lines (byte-swapped
    // indexes would put them 1 KB apart, in few cache sets).
    static_assert(kSousTables == 2);
    int64_t i = 0;
    for (; i + 2 <= n; i += 2, p += 4) {
        ++h[(p[0] << 8) | p[1]];
        ++h[(1 << 16) + ((p[2] << 8) | p[3])];
    }
    if (i < n)
        ++h[(p[0] << 8) | p[1]];
}

void DecoderBande16(const TBande16& b, int64_t x0, int64_t x1, TCles& cles)
{
#if defined(STELOR_VECTEURS)
    if (VecteursActifs()) {
        b.Identite ? DecoderVecteurs<true>(b, x0, x1, cles) : DecoderVecteurs<false>(b, x0, x1, cles);
        return;
    }
#endif
    DecoderSimple(b, x0, x1, cles);
}

void RendreColonnes(const TRendu& r, int64_t x0, int64_t x1)
{
#if defined(STELOR_VECTEURS)
    if (VecteursActifs()) {
        RendreVecteurs(r, x0, x1);
        return;
    }
#endif
    RendreSimple(r, x0, x1);
}

} // namespace NoyauxFit
