#include "UJpeg.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UBmp.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg's own handler calls exit(); ours jumps back to the caller's frame.
struct TErreurJpeg {
    jpeg_error_mgr Base;
    std::jmp_buf Saut;
    int Code;
};

void SortieErreurJpeg(j_common_ptr info)
{
    auto* erreur = reinterpret_cast<TErreurJpeg*>(info->err);
    erreur->Code = info->err->msg_code;
    std::longjmp(erreur->Saut, 1);
}

// libjpeg speaks English: what the user may meet, in French; the rest by its number.
QString TexteErreurJpeg(int code)
{
    switch (code) {
    case JERR_INPUT_EMPTY:
        return QStringLiteral("le fichier est vide");
    case JERR_NO_SOI:
        return QStringLiteral("ce n'est pas un fichier Jpeg");
    case JERR_INPUT_EOF:
    case JERR_FILE_READ:
        return QStringLiteral("le fichier s'arrête avant la fin de l'image");
    case JERR_NO_IMAGE:
    case JERR_EMPTY_IMAGE:
        return QStringLiteral("le fichier ne contient pas d'image");
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        return QStringLiteral("l'image est trop grande");
    case JERR_OUT_OF_MEMORY:
        return QStringLiteral("mémoire insuffisante");
    case JERR_SOF_UNSUPPORTED:
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_BAD_J_COLORSPACE:
    case JERR_BAD_IN_COLORSPACE:
    case JERR_COMPONENT_COUNT:
    case JERR_UNKNOWN_MARKER:
        return QStringLiteral("ce type de fichier Jpeg n'est pas pris en charge");
    case JERR_BAD_HUFF_TABLE:
    case JERR_HUFF_MISSING_CODE:
    case JERR_NO_HUFF_TABLE:
    case JERR_NO_QUANT_TABLE:
    case JERR_BAD_LENGTH:
    case JERR_BAD_COMPONENT_ID:
    case JERR_BAD_SAMPLING:
    case JERR_DHT_INDEX:
    case JERR_DQT_INDEX:
    case JERR_SOF_DUPLICATE:
    case JERR_SOF_NO_SOS:
    case JERR_SOI_DUPLICATE:
    case JERR_SOS_NO_SOF:
    case JERR_EOI_EXPECTED:
    case JERR_BAD_PROGRESSION:
        return QStringLiteral("la structure du fichier est endommagée");
    default:
        return QStringLiteral("erreur n° %1 de la bibliothèque Jpeg").arg(code);
    }
}

// Warnings would go to stderr; corrupt data that still decodes is accepted.
void MessageJpegMuet(j_common_ptr) {}

void InstallerErreurs(TErreurJpeg& erreur)
{
    jpeg_std_error(&erreur.Base);
    erreur.Base.error_exit = SortieErreurJpeg;
    erreur.Base.output_message = MessageJpegMuet;
    erreur.Code = 0;
}

bool PaletteGrise(const QImage& image)
{
    if (image.format() != QImage::Format_Indexed8)
        return false;
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < table.size(); ++i)
        if (qRed(table[i]) != i || qGreen(table[i]) != i || qBlue(table[i]) != i)
            return false;
    return true;
}

// Everything the compressor touches lives in this struct, allocated before
// setjmp, so nothing the jump skips needs destroying.
struct TCompression {
    jpeg_compress_struct Info;
    TErreurJpeg Erreur;
    unsigned char* Tampon = nullptr;
    unsigned long Taille = 0;
};

bool CompresserBrut(TCompression& c, const QImage& source, bool gris, int qualite)
{
    c.Info.err = &c.Erreur.Base;
    InstallerErreurs(c.Erreur);
    if (setjmp(c.Erreur.Saut)) {
        jpeg_destroy_compress(&c.Info);
        return false;
    }
    jpeg_create_compress(&c.Info);
    jpeg_mem_dest(&c.Info, &c.Tampon, &c.Taille);
    c.Info.image_width = static_cast<JDIMENSION>(source.width());
    c.Info.image_height = static_cast<JDIMENSION>(source.height());
    c.Info.input_components = gris ? 1 : 3;
    c.Info.in_color_space = gris ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c.Info);
    jpeg_set_quality(&c.Info, qualite, TRUE);
    jpeg_start_compress(&c.Info, TRUE);
    while (c.Info.next_scanline < c.Info.image_height) {
        JSAMPROW ligne = const_cast<JSAMPROW>(source.constScanLine(static_cast<int>(c.Info.next_scanline)));
        jpeg_write_scanlines(&c.Info, &ligne, 1);
    }
    jpeg_finish_compress(&c.Info);
    jpeg_destroy_compress(&c.Info);
    return true;
}

struct TDecompression {
    jpeg_decompress_struct Info;
    TErreurJpeg Erreur;
    QImage* Resultat = nullptr; // created before setjmp by the caller
    bool Gris = false;
};

// First pass: header only, so the caller can allocate the picture outside
// the jump's reach.
bool LireEnTete(TDecompression& d, const QByteArray& donnees, int& largeur, int& hauteur)
{
    d.Info.err = &d.Erreur.Base;
    InstallerErreurs(d.Erreur);
    if (setjmp(d.Erreur.Saut)) {
        jpeg_destroy_decompress(&d.Info);
        return false;
    }
    jpeg_create_decompress(&d.Info);
    jpeg_mem_src(&d.Info, reinterpret_cast<const unsigned char*>(donnees.constData()),
                 static_cast<unsigned long>(donnees.size()));
    jpeg_read_header(&d.Info, TRUE);
    d.Gris = d.Info.jpeg_color_space == JCS_GRAYSCALE;
    d.Info.out_color_space = d.Gris ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_calc_output_dimensions(&d.Info);
    largeur = static_cast<int>(d.Info.output_width);
    hauteur = static_cast<int>(d.Info.output_height);
    return true;
}

bool LireLignes(TDecompression& d)
{
    if (setjmp(d.Erreur.Saut)) {
        jpeg_destroy_decompress(&d.Info);
        return false;
    }
    jpeg_start_decompress(&d.Info);
    while (d.Info.output_scanline < d.Info.output_height) {
        JSAMPROW ligne = d.Resultat->scanLine(static_cast<int>(d.Info.output_scanline));
        jpeg_read_scanlines(&d.Info, &ligne, 1);
    }
    jpeg_finish_decompress(&d.Info);
    jpeg_destroy_decompress(&d.Info);
    return true;
}

} // namespace

QByteArray CompresserJpeg(const QImage& image, int qualite)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        LeverErreur(QStringLiteral("Impossible de compresser en Jpeg une image vide."));
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        LeverErreur(QStringLiteral("Image trop grande pour le format Jpeg (%1 x %2).")
                        .arg(image.width())
                        .arg(image.height()));
    const bool gris = PaletteGrise(image);
    const QImage source = gris ? image : image.convertToFormat(QImage::Format_RGB888);
    qualite = qualite < QualiteJpegMin ? QualiteJpegMin : (qualite > QualiteJpegMax ? QualiteJpegMax : qualite);

    auto c = std::make_unique<TCompression>();
    const bool reussi = CompresserBrut(*c, source, gris, qualite);
    QByteArray resultat;
    if (reussi && c->Tampon)
        resultat = QByteArray(reinterpret_cast<const char*>(c->Tampon), static_cast<qsizetype>(c->Taille));
    std::free(c->Tampon);
    if (!reussi)
        LeverErreur(QStringLiteral("Erreur lors de la compression Jpeg : %1").arg(TexteErreurJpeg(c->Erreur.Code)));
    return resultat;
}

QImage DecompresserJpeg(const QByteArray& donnees, const QSize& attendue)
{
    auto d = std::make_unique<TDecompression>();
    int largeur = 0;
    int hauteur = 0;
    const QString prefixe = QStringLiteral("Fichier Jpeg illisible : %1");
    if (!LireEnTete(*d, donnees, largeur, hauteur))
        LeverErreur(prefixe.arg(TexteErreurJpeg(d->Erreur.Code)));
    if (attendue.isValid() && attendue != QSize(largeur, hauteur)) {
        jpeg_destroy_decompress(&d->Info);
        LeverErreur(prefixe.arg(QStringLiteral("il annonce une image de %1 x %2 pixels au lieu de %3 x %4")
                                    .arg(largeur)
                                    .arg(hauteur)
                                    .arg(attendue.width())
                                    .arg(attendue.height())));
    }
    QImage image(largeur, hauteur, d->Gris ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (image.isNull()) {
        jpeg_destroy_decompress(&d->Info);
        LeverErreur(QStringLiteral("Mémoire insuffisante pour une image Jpeg de %1 x %2.").arg(largeur).arg(hauteur));
    }
    if (d->Gris)
        image.setColorTable(TablePaletteGris());
    d->Resultat = &image;
    if (!LireLignes(*d))
        LeverErreur(prefixe.arg(TexteErreurJpeg(d->Erreur.Code)));
    return image;
}

void EnregistrerJpeg(const QImage& image, int qualite, const QString& nom)
{
    // Compressed first: a failure never touches the target file.
    EcrireFichierSur(nom, CompresserJpeg(image, qualite));
}
