#include "UNoyauxFit.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#define STELOR_VECTEURS 1
#endif

namespace NoyauxFit {

namespace {

constexpr int64_t kStripDecodage = 32; // columns: 64 bytes of each file row
constexpr int64_t kTuileDecodage = 64; // rows: 512 bytes of each column
constexpr int64_t kStripRendu = 64;    // columns: 64 bytes of each bitmap row

// ---------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------

// A strip's tile: file rows Rang .. Rang + Rangs - 1 of the band, columns
// X .. X + Colonnes - 1, decoded into an L1 buffer (y ascending: file row
// Rang + Rangs - 1 first), then written to the pixels a column at a time.
// Writing the 32 columns a few rows at a time instead put 32 lines 32 KB
// apart in play at a height of 4096, all in the same cache sets.
// Each column of the buffer has room for a few values held over from the
// tile before, ahead of its own.
constexpr int64_t kReport = 8;
constexpr int64_t kPasTampon = kReport + kTuileDecodage; // 18 KB a strip
struct TTuile {
    int64_t X = 0;
    int64_t Colonnes = 0;
    int64_t Rang = 0;
    int64_t Rangs = 0;
    double* Tampon = nullptr;
    const unsigned char* Ligne(const TBande16& b, int64_t r) const { return b.Source + 2 * ((Rang + r) * b.Largeur + X); }
    double* Colonne(int64_t c) const { return Tampon + c * kPasTampon + kReport; }
    // Where value j of column c goes in the pixels: file row Rang + Rangs - 1
    // is the tile's smallest y.
    double* Pixels(const TBande16& b, int64_t c) const
    {
        return b.Pixels + (X + c) * b.Hauteur + (b.Hauteur - b.Rang0 - Rang - Rangs);
    }
};

inline double ValeurUn(const TBande16& b, const unsigned char* p, TCles& cles)
{
    const uint16_t k = static_cast<uint16_t>(((p[0] << 8) | p[1]) ^ b.Inversion);
    cles.Min = std::min(cles.Min, k);
    cles.Max = std::max(cles.Max, k);
    return b.Identite ? double(k) : (k - b.Decalage) * b.BScale + b.BZero;
}

// The tile's rows r0 .. r1 - 1 of columns c0 .. c1 - 1 (tile indexes).
void TuileSimple(const TBande16& b, const TTuile& t, int64_t c0, int64_t c1, int64_t r0, int64_t r1, TCles& cles)
{
    for (int64_t r = r0; r < r1; ++r) {
        const unsigned char* p = t.Ligne(b, r);
        for (int64_t c = c0; c < c1; ++c)
            t.Colonne(c)[t.Rangs - 1 - r] = ValeurUn(b, p + 2 * c, cles);
    }
}

struct TEcritureSimple {
    void Ecrire(const TBande16& b, const TTuile& t)
    {
        for (int64_t c = 0; c < t.Colonnes; ++c)
            std::memcpy(t.Pixels(b, c), t.Colonne(c), static_cast<size_t>(t.Rangs) * sizeof(double));
    }
    void Finir(const TBande16&, const TTuile&) {}
};

// Strips of 32 columns, tiles of 64 rows from the band's last file row up,
// so that each column is written forwards. Remplir decodes a tile into its
// buffer; Ecriture writes it out, and finishes a strip.
template <class Remplir, class Ecriture>
void DecoderTuiles(const TBande16& b, int64_t x0, int64_t x1, Remplir& remplir, Ecriture& ecriture)
{
    alignas(64) double tampon[kStripDecodage * kPasTampon + kReport]; // the last column's 8 values held over read past it
    TTuile t;
    t.Tampon = tampon;
    for (t.X = x0; t.X < x1; t.X += kStripDecodage) {
        t.Colonnes = std::min(x1 - t.X, kStripDecodage);
        for (int64_t fin = b.Rangs; fin > 0; fin -= kTuileDecodage) {
            t.Rang = std::max<int64_t>(0, fin - kTuileDecodage);
            t.Rangs = fin - t.Rang;
            remplir(t);
            ecriture.Ecrire(b, t);
        }
        ecriture.Finir(b, t);
    }
}

#if defined(STELOR_VECTEURS)
// Blocks of 8 columns x 8 file rows: one 16-byte load per row, 2 x 2
// transposes of doubles, and 8 consecutive values (y ascending) stored in
// each column of the tile, as two runs of 4. A strip's 4 blocks use each
// 64 bytes of a file row at once.
template <bool Identite>
struct TRemplirVecteurs {
    const TBande16& b;
    TCles& cles;
    __m128i mn = _mm_set1_epi16(0x7FFF), mx = _mm_set1_epi16(static_cast<short>(0x8000)); // keys ^ 0x8000, signed

    void operator()(const TTuile& t)
    {
        const int64_t l = b.Largeur, n = t.Rangs, lignes8 = n % 8; // rows beyond the blocks: the tile's first
        const int64_t colonnes8 = t.Colonnes / 8 * 8;
        const __m128i inv = _mm_set1_epi16(static_cast<short>(b.Inversion));
        const __m128i signe = _mm_set1_epi16(static_cast<short>(0x8000));
        const __m128i zero = _mm_setzero_si128();
        const __m128d dec = _mm_set1_pd(b.Decalage), sc = _mm_set1_pd(b.BScale), bz = _mm_set1_pd(b.BZero);
        const auto valeurs = [&](__m128i k32) { // the two low 32-bit keys
            const __m128d v = _mm_cvtepi32_pd(k32);
            return Identite ? v : _mm_add_pd(_mm_mul_pd(_mm_sub_pd(v, dec), sc), bz);
        };
        for (int64_t rb = n - 8; rb >= lignes8; rb -= 8) {
            // The strip's next 8 file rows, each in its own page: more than
            // the processor fetches ahead on its own.
            if (t.Rang + rb >= 8)
                for (int r = 0; r < 8; ++r)
                    _mm_prefetch(reinterpret_cast<const char*>(t.Ligne(b, rb - 8 + r)), _MM_HINT_T0);
            for (int64_t cb = 0; cb < colonnes8; cb += 8) {
                const unsigned char* p = t.Ligne(b, rb) + 2 * cb;
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
                    // Row rb + moitie + 3 is the smallest y here.
                    double* q = t.Colonne(cb) + (n - 4 - rb - moitie);
                    for (int quart = 0; quart < 2; ++quart) {
                        __m128d v[4][2];
                        for (int r = 0; r < 4; ++r) {
                            const __m128i k32 = quart ? _mm_unpackhi_epi16(k[r], zero) : _mm_unpacklo_epi16(k[r], zero);
                            v[r][0] = valeurs(k32);
                            v[r][1] = valeurs(_mm_srli_si128(k32, 8));
                        }
                        double* c = q + (4 * quart) * kPasTampon;
                        for (int j = 0; j < 2; ++j, c += 2 * kPasTampon) {
                            _mm_store_pd(c + 0, _mm_unpacklo_pd(v[3][j], v[2][j]));
                            _mm_store_pd(c + 2, _mm_unpacklo_pd(v[1][j], v[0][j]));
                            _mm_store_pd(c + kPasTampon, _mm_unpackhi_pd(v[3][j], v[2][j]));
                            _mm_store_pd(c + kPasTampon + 2, _mm_unpackhi_pd(v[1][j], v[0][j]));
                        }
                    }
                }
            }
        }
        // Columns beyond the last block of 8, rows beyond the last block.
        TuileSimple(b, t, colonnes8, t.Colonnes, lignes8, n, cles);
        TuileSimple(b, t, 0, t.Colonnes, 0, lignes8, cles);
    }

    // The keys seen, into cles.
    void Terminer()
    {
        alignas(16) int16_t tmn[8], tmx[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(tmn), mn);
        _mm_store_si128(reinterpret_cast<__m128i*>(tmx), mx);
        for (int k = 0; k < 8; ++k) {
            cles.Min = std::min(cles.Min, static_cast<uint16_t>(tmn[k] ^ 0x8000));
            cles.Max = std::max(cles.Max, static_cast<uint16_t>(tmx[k] ^ 0x8000));
        }
    }
};

// Whole cache lines, written past the caches for a large block (Flux):
// nothing is read from memory to write them, and such a block does not stay
// in the caches anyway. A line the tile leaves unfinished is held over and
// begins the next tile's column, so that only a column's first and last
// lines in the band, which it shares with the bands beside it, are written
// through the caches.
class TEcritureLignes {
    int64_t Reste[kStripDecodage] = {}; // values held over, column c
    bool Flux;

public:
    explicit TEcritureLignes(bool flux) : Flux(flux) {}

    void Ecrire(const TBande16& b, const TTuile& t)
    {
        for (int64_t c = 0; c < t.Colonnes; ++c) {
            const int64_t k = Reste[c], n = k + t.Rangs;
            const double* s = t.Colonne(c) - k;
            double* d = t.Pixels(b, c) - k;
            int64_t i = std::min<int64_t>(n, (64 - reinterpret_cast<uintptr_t>(d) % 64) % 64 / sizeof(double));
            if (i > 0) // the band's first line
                std::copy(s, s + i, d);
            for (; i + 8 <= n; i += 8)
                for (int j = 0; j < 8; j += 2) {
                    const __m128d v = _mm_loadu_pd(s + i + j);
                    Flux ? _mm_stream_pd(d + i + j, v) : _mm_storeu_pd(d + i + j, v);
                }
            // Fewer than 8 values held over; 8 are moved, in registers.
            Reste[c] = n - i;
            double reste[kReport];
            std::memcpy(reste, s + i, sizeof reste);
            std::memcpy(t.Colonne(c) - Reste[c], reste, sizeof reste);
        }
    }

    void Finir(const TBande16& b, const TTuile& t)
    {
        for (int64_t c = 0; c < t.Colonnes; ++c) {
            const int64_t k = std::exchange(Reste[c], 0);
            std::copy(t.Colonne(c) - k, t.Colonne(c), t.Pixels(b, c) + t.Rangs - k);
        }
    }
};
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
        // Blocks of 32 MB and more are streamed.
        const auto decoder = [&](auto remplir) {
            TEcritureLignes ecriture(b.Largeur * b.Hauteur >= (int64_t(1) << 22));
            DecoderTuiles(b, x0, x1, remplir, ecriture);
            remplir.Terminer();
            _mm_sfence(); // the streamed pixels seen by the thread that waits for them
        };
        b.Identite ? decoder(TRemplirVecteurs<true>{b, cles}) : decoder(TRemplirVecteurs<false>{b, cles});
        return;
    }
#endif
    auto remplir = [&](const TTuile& t) { TuileSimple(b, t, 0, t.Colonnes, 0, t.Rangs, cles); };
    TEcritureSimple ecriture;
    DecoderTuiles(b, x0, x1, remplir, ecriture);
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
