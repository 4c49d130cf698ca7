#include "URegistration.h"

#include "PDialogues.h"
#include "PErreurs.h"
#include "UArithmetique.h"
#include "UControleImage.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"
#include "UPretraitement.h"
#include "UFiltresBmp.h"
#include "UImages.h"
#include "UOutils.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QListWidget>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QCheckBox>
#include <algorithm>
#include <cmath>

bool EstCadreDefini(const TCadre& c) { return c.X1 != -1 && c.Y1 != -1 && c.X2 != -1 && c.Y2 != -1; }

bool EstCadreVide(const TCadre& c) { return c.X1 == c.X2 || c.Y1 == c.Y2; }

void NormaliserCadre(TCadre& c, int32_t largeur, int32_t hauteur)
{
    if (c.X1 > c.X2)
        std::swap(c.X1, c.X2);
    if (c.Y1 > c.Y2)
        std::swap(c.Y1, c.Y2);
    c.X1 = std::max(c.X1, 0);
    c.Y1 = std::max(c.Y1, 0);
    c.X2 = std::min(c.X2, largeur - 1);
    c.Y2 = std::min(c.Y2, hauteur - 1);
}

QString TexteCadre(const TCadre& c)
{
    return QStringLiteral("[%1,%2] [%3,%4]").arg(c.X1).arg(c.Y1).arg(c.X2).arg(c.Y2);
}

namespace {

// The cut's columns X1 .. X2 - 1 and rows Y1 .. Y2 - 1 lie in the image and
// hold at least one pixel.
bool CoupeValide(const TCadre& c, int64_t largeur, int64_t hauteur)
{
    return c.X1 >= 0 && c.Y1 >= 0 && c.X2 > c.X1 && c.Y2 > c.Y1 && c.X2 <= largeur && c.Y2 <= hauteur;
}

} // namespace

bool CouperCadreFit(const THistoFit& source, THistoFit& destination, const TCadre& c)
{
    if (!source.PixelsPresents() || !CoupeValide(c, int64_t(source.XMax) + 1, int64_t(source.YMax) + 1))
        return false;
    const int32_t l = c.X2 - c.X1, h = c.Y2 - c.Y1;
    std::vector<double> pixels(static_cast<size_t>(l) * h);
    // The extremes as the crop computes them.
    double mini = 2147483647.0, maxi = 0;
    for (int32_t x = 0; x < l; ++x) {
        const double* colonne = source.Colonne(c.X1 + x) + c.Y1;
        double* dest = pixels.data() + static_cast<size_t>(x) * h;
        for (int32_t y = 0; y < h; ++y) {
            const double v = colonne[y];
            dest[y] = v;
            maxi = std::max(maxi, v);
            mini = std::min(mini, v);
        }
    }
    if (&destination != &source)
        destination.Entete = source.Entete;
    destination.Zoom = source.Zoom;
    destination.Palette = source.Palette;
    destination.SMin = source.SMin;
    destination.SMax = source.SMax;
    destination.TRFT = source.TRFT;
    destination.Pixels = std::move(pixels);
    destination.XMax = l - 1;
    destination.YMax = h - 1;
    destination.Min = mini;
    destination.Max = maxi;
    EnteteApresGeometrieFit(destination);
    return true;
}

bool CouperCadreBmp(const THistoBmp& source, THistoBmp& destination, const TCadre& c)
{
    if (!CoupeValide(c, LargeurBmp(source), HauteurBmp(source)))
        return false;
    THistoBmp coupe;
    CreerHistoBmp(coupe);
    CopierImageBmp(source, coupe); // the picture is shared until the cut
    if (!ExtraireZoneBmp(coupe, c.Y1, HauteurBmp(source) - c.Y2, c.X1, LargeurBmp(source) - c.X2))
        return false;
    CopierImageBmp(coupe, destination);
    return true;
}

// ---------------------------------------------------------------- rubber band

namespace {

// Writes the darkest or the brightest colour the bitmap can show.
class TPointeur {
public:
    explicit TPointeur(QImage& b) : FB(b)
    {
        if (FB.format() == QImage::Format_Indexed8) {
            int clair = -1, sombre = 766;
            for (int i = 0; i < FB.colorCount(); ++i) {
                const QRgb c = FB.color(i);
                const int s = qRed(c) + qGreen(c) + qBlue(c);
                if (s < sombre) {
                    sombre = s;
                    FNoir = i;
                }
                if (s > clair) {
                    clair = s;
                    FBlanc = i;
                }
            }
        }
    }
    void Point(int x, int y, bool noir)
    {
        if (x < 0 || y < 0 || x >= FB.width() || y >= FB.height())
            return;
        uchar* ligne = FB.scanLine(y);
        switch (FB.format()) {
        case QImage::Format_Indexed8:
            ligne[x] = static_cast<uchar>(noir ? FNoir : FBlanc);
            break;
        case QImage::Format_BGR888:
            std::fill_n(ligne + 3 * x, 3, noir ? uchar(0) : uchar(255));
            break;
        default:
            FB.setPixelColor(x, y, noir ? Qt::black : Qt::white);
            break;
        }
    }

private:
    QImage& FB;
    int FNoir = 0;
    int FBlanc = 255;
};

// Visits the closed outline (X1,Y1) (X2,Y1) (X2,Y2) (X1,Y2), each pixel once
// for a frame of some size, in drawing order.
template <class F>
void ParcourirCadre(const TCadre& c, F&& f)
{
    for (int x = c.X1; x < c.X2; ++x)
        f(x, c.Y1);
    for (int y = c.Y1; y < c.Y2; ++y)
        f(c.X2, y);
    for (int x = c.X2; x > c.X1; --x)
        f(x, c.Y2);
    for (int y = c.Y2; y > c.Y1; --y)
        f(c.X1, y);
    if (c.X1 == c.X2 && c.Y1 == c.Y2)
        f(c.X1, c.Y1);
}

} // namespace

void TracerRectangleCadre(QImage& bitmap, const TCadre& c)
{
    if (bitmap.isNull() || !EstCadreDefini(c))
        return;
    TPointeur p(bitmap);
    int pas = 0;
    ParcourirCadre(c, [&](int x, int y) { p.Point(x, y, pas++ % 6 < 3); });
}

void EffacerRectangleCadre(QImage& bitmap, const QImage& avant, const TCadre& c)
{
    if (bitmap.isNull() || avant.size() != bitmap.size() || avant.format() != bitmap.format() ||
        !EstCadreDefini(c))
        return;
    const int octets = bitmap.depth() / 8;
    if (octets < 1) {
        bitmap = avant.copy();
        return;
    }
    const QRect dans = bitmap.rect();
    auto copierLigne = [&](int y, int x0, int x1) {
        if (y < 0 || y >= bitmap.height())
            return;
        x0 = std::max(x0, 0);
        x1 = std::min(x1, dans.right());
        if (x1 < x0)
            return;
        std::copy_n(avant.constScanLine(y) + x0 * octets, (x1 - x0 + 1) * octets, bitmap.scanLine(y) + x0 * octets);
    };
    copierLigne(c.Y1, c.X1, c.X2);
    copierLigne(c.Y2, c.X1, c.X2);
    for (int y = std::max(c.Y1, 0); y <= std::min(c.Y2, dans.bottom()); ++y) {
        copierLigne(y, c.X1, c.X1);
        copierLigne(y, c.X2, c.X2);
    }
}

QRect ZoneCadre(const TCadre& c)
{
    if (!EstCadreDefini(c))
        return {};
    return QRect(QPoint(std::min(c.X1, c.X2), std::min(c.Y1, c.Y2)), QPoint(std::max(c.X1, c.X2), std::max(c.Y1, c.Y2)));
}

// ---------------------------------------------------------------- zoom

QImage AgrandirBitmap(const QImage& bitmap, int32_t n)
{
    if (bitmap.isNull() || n < 1)
        return {};
    const int w = bitmap.width(), h = bitmap.height();
    QImage agrandi(w * n, h * n, QImage::Format_BGR888);
    QImage source = bitmap;
    if (source.format() != QImage::Format_Indexed8 && source.format() != QImage::Format_BGR888)
        source = source.convertToFormat(QImage::Format_BGR888);
    const bool indexe = source.format() == QImage::Format_Indexed8;
    QList<QRgb> table = source.colorTable();
    if (indexe && table.size() < 256) {
        const int n0 = int(table.size());
        table.resize(256);
        for (int i = n0; i < 256; ++i)
            table[i] = qRgb(i, i, i);
    }
    std::vector<uchar> ligne(static_cast<size_t>(w) * n * 3);
    for (int y = 0; y < h; ++y) {
        const uchar* s = source.constScanLine(y);
        uchar* d = ligne.data();
        for (int x = 0; x < w; ++x) {
            uchar b, g, r;
            if (indexe) {
                const QRgb c = table[s[x]];
                b = uchar(qBlue(c));
                g = uchar(qGreen(c));
                r = uchar(qRed(c));
            } else {
                b = s[3 * x];
                g = s[3 * x + 1];
                r = s[3 * x + 2];
            }
            for (int k = 0; k < n; ++k, d += 3) {
                d[0] = b;
                d[1] = g;
                d[2] = r;
            }
        }
        for (int k = 0; k < n; ++k)
            std::copy(ligne.begin(), ligne.end(), agrandi.scanLine(y * n + k));
    }
    return agrandi;
}

QImage ZoomCadreFit(const THistoFit& image, const TCadre& cadre, bool marquer)
{
    THistoFit coupe;
    CreerHistoFit(coupe);
    if (!CouperCadreFit(image, coupe, cadre))
        return {};
    QImage zoom = AgrandirBitmap(RendreFit(coupe, true), FacteurZoomCadre);
    if (marquer)
        MarquerEtoileFit(coupe, zoom, FacteurZoomCadre);
    return zoom;
}

QImage ZoomCadreBmp(const THistoBmp& image, const TCadre& cadre, bool marquer, int32_t plan)
{
    THistoBmp coupe;
    CreerHistoBmp(coupe);
    if (!CouperCadreBmp(image, coupe, cadre))
        return {};
    coupe.SMin = 0;
    coupe.SMax = 255;
    coupe.TRFT = 0;
    QImage zoom = AgrandirBitmap(BitmapBmp(coupe), FacteurZoomCadre);
    if (marquer)
        MarquerEtoileBmp(coupe, zoom, FacteurZoomCadre, plan);
    return zoom;
}

// ---------------------------------------------------------------- saturation

bool MaxiCadreFit(const THistoFit& image, const TCadre& cadre, int64_t& maxi)
{
    THistoFit coupe;
    CreerHistoFit(coupe);
    if (!CouperCadreFit(image, coupe, cadre))
        return false;
    maxi = MaxiArrondiFit(coupe);
    return true;
}

bool MaxiCadreBmp(const THistoBmp& image, const TCadre& cadre, int64_t& maxi)
{
    THistoBmp coupe;
    CreerHistoBmp(coupe);
    if (!CouperCadreBmp(image, coupe, cadre))
        return false;
    maxi = MaxiBmp(coupe);
    return true;
}

int64_t SeuilSaturationFit(int32_t codage)
{
    return (int64_t(1) << std::clamp(codage, 1, 62)) - 2;
}

QString MessageSaturationFit(int64_t seuil)
{
    return QStringLiteral("Le cadre sélectionné comporte des pixels de valeurs élevées. (>=") + EntierEnTexte(seuil) +
           QStringLiteral(")\nL'alignement ne pourra être optimal.");
}

QString MessageSaturationBmp()
{
    return QStringLiteral("Le cadre sélectionné comporte des pixels de valeurs élevées. (=255)\n"
                          "L'alignement ne pourra être optimal.");
}

// ---------------------------------------------------------------- planet

namespace {

bool TracerContour(QList<TPointBord>& points, QImage& rendu)
{
    OrdonnerPointsContour(points);
    for (const TPointBord& p : points)
        MarquerPixel(rendu, p.x, p.y, clBlanc);
    double cx = 0, cy = 0;
    // No centre (too few points, no area): no lines, rather than lines through a made-up point.
    if (!CentreContour(points, cx, cy) || !std::isfinite(cx) || !std::isfinite(cy) || std::abs(cx) > 1e9 ||
        std::abs(cy) > 1e9)
        return false;
    DessinerLignesRepere(rendu, static_cast<int>(std::nearbyint(cx)), static_cast<int>(std::nearbyint(cy)), clBlanc);
    return true;
}

} // namespace

bool ApercuPlaneteFitSur(const THistoFit& image, QImage& rendu, int32_t coefficient)
{
    if (!image.PixelsPresents() || rendu.isNull())
        return false;
    const double seuil = coefficient * EcartTypeFit(image) + ModeHistogrammeFit(image);
    QList<TPointBord> points;
    PointsBordDisqueFit(image, points, seuil);
    return TracerContour(points, rendu);
}

bool ApercuPlaneteBmpSur(const THistoBmp& image, QImage& rendu, int32_t coefficient, int32_t plan)
{
    if (rendu.isNull())
        return false;
    const double seuil = coefficient * EcartTypeBmp(image, plan) + ModeHistogrammeBmp(image, plan);
    QList<TPointBord> points;
    PointsBordDisqueBmp(image, points, plan, seuil);
    return TracerContour(points, rendu);
}

// ===========================================================================
// The "Alignement" tab of the preprocessing window.
// ===========================================================================

namespace {

// Moves a freshly loaded object into the window's own, which keeps its picture.
template <class T>
void Remplacer(T& cible, T&& nouveau)
{
    TProprietaire p = std::move(cible.Proprietaire);
    cible = std::move(nouveau);
    cible.Proprietaire = std::move(p);
}

// The four edges of the frame, for a repaint of what changed only.
void RepeindreCadre(TImageControle* image, const TCadre& c)
{
    if (!EstCadreDefini(c))
        return;
    const QRect r = ZoneCadre(c);
    image->Repeindre(QRect(r.left(), r.top(), r.width(), 1));
    image->Repeindre(QRect(r.left(), r.bottom(), r.width(), 1));
    image->Repeindre(QRect(r.left(), r.top(), 1, r.height()));
    image->Repeindre(QRect(r.right(), r.top(), 1, r.height()));
}

} // namespace

void TPretraitement::ChargerImageRegistration()
{
    if (LstBxBrutes->count() == 0) {
        ImgRegistration->Vider();
        ImageRegistrationChargee = false;
        FCadreTrace = TCadre();
        return;
    }
    FixerPlagesCurseurs();
    const QString nom = CheminEntree(LstBxBrutes, IndexBruteReference());
    const int32_t type = TypeImages();
    if (type != tiFit && type != tiBmp)
        return;
    // Loaded aside: a file that fails, or that changed size since it was
    // listed, leaves the shown frame as it was.
    int32_t largeur = 0, hauteur = 0;
    THistoFit fit;
    THistoBmp bmp;
    if (type == tiFit) {
        CreerHistoFit(fit);
        LireFichierFit(fit, nom);
        largeur = LargeurFit(fit);
        hauteur = HauteurFit(fit);
    } else {
        CreerHistoBmp(bmp);
        ChargerBmp(bmp, nom);
        largeur = LargeurBmp(bmp);
        hauteur = HauteurBmp(bmp);
    }
    int32_t l0 = largeur, h0 = hauteur;
    if (ImageRegistrationChargee) {
        l0 = ImgRegistration->Picture.width();
        h0 = ImgRegistration->Picture.height();
    } else if (const QString premiere = PremiereImage(); !premiere.isEmpty() && premiere != nom) {
        DimensionsFichierImage(premiere, l0, h0);
    }
    if (l0 != largeur || h0 != hauteur)
        LeverErreur(QStringLiteral("L'image %1 n'a pas la taille des images de la liste (%2 x %3 au lieu de %4 x %5).")
                        .arg(NomFichierSansChemin(nom))
                        .arg(largeur)
                        .arg(hauteur)
                        .arg(l0)
                        .arg(h0));
    if (type == tiFit) {
        if (ImageRegistrationChargee) {
            fit.SMin = TrckBrRegistrationSeuilBas->value();
            fit.SMax = TrckBrRegistrationSeuilHaut->value();
        } else {
            PlacerCurseurs(TrckBrRegistrationSeuilHaut, TrckBrRegistrationSeuilBas, fit.SMax, fit.SMin);
        }
        fit.Zoom = 100;
        Remplacer(RegistrationFit, std::move(fit));
        AfficherFit(RegistrationFit, true);
    } else {
        if (ImageRegistrationChargee) {
            bmp.SMin = TrckBrRegistrationSeuilBas->value();
            bmp.SMax = TrckBrRegistrationSeuilHaut->value();
        } else {
            PlacerCurseurs(TrckBrRegistrationSeuilHaut, TrckBrRegistrationSeuilBas, bmp.SMax, bmp.SMin);
        }
        bmp.Zoom = 100;
        Remplacer(RegistrationBmp, std::move(bmp));
        AfficherBmp(RegistrationBmp, true);
    }
    FCadreTrace = TCadre();
    if (CmbBxRegistration->currentIndex() == RegistrationPlanetaire)
        RedessinerRegistration();
    ImageRegistrationChargee = true;
}

void TPretraitement::RendreRegistration()
{
    if (!ImageRegistrationChargee)
        return;
    if (TypeImages() == tiBmp)
        AfficherBmp(RegistrationBmp, true);
    else
        AfficherFit(RegistrationFit, true);
    FCadreTrace = TCadre();
    RedessinerRegistration();
}

void TPretraitement::RedessinerRegistration()
{
    if (CmbBxRegistration->currentIndex() != RegistrationPlanetaire)
        return;
    if (TypeImages() == tiBmp)
        ApercuPlaneteBmp();
    else
        ApercuPlaneteFit();
}

void TPretraitement::ApercuPlaneteFit()
{
    ApercuPlaneteFitSur(RegistrationFit, ImgRegistration->Picture, CoefRegistrationPlanetaire());
    ImgRegistration->update();
}

void TPretraitement::ApercuPlaneteBmp()
{
    ApercuPlaneteBmpSur(RegistrationBmp, ImgRegistration->Picture, CoefRegistrationPlanetaire(),
                        CouleurIndex(CmbBxPlanRegistration));
    ImgRegistration->update();
}

int32_t TPretraitement::CoefRegistrationPlanetaire() const
{
    return BornerEntier(TexteEnEntierDefaut(EdtCoefRegistrationPlanetaire->text(), 1), 1, 5);
}

void TPretraitement::CurseurRegistrationChange()
{
    TrckBrRegistrationSeuilHaut->setToolTip(QStringLiteral("Seuil haut : ") +
                                            EntierEnTexte(TrckBrRegistrationSeuilHaut->value()));
    TrckBrRegistrationSeuilBas->setToolTip(QStringLiteral("Seuil bas : ") +
                                           EntierEnTexte(TrckBrRegistrationSeuilBas->value()));
    if (!EvenementsActifs || !ImageRegistrationChargee)
        return;
    const int32_t bas = TrckBrRegistrationSeuilBas->value(), haut = TrckBrRegistrationSeuilHaut->value();
    if (TypeImages() == tiBmp)
        FixerSeuilsBmp(RegistrationBmp, bas, haut, false, true);
    else
        FixerSeuilsFit(RegistrationFit, bas, haut, false, true);
    RendreRegistration();
    if (CadreDefini())
        TracerCadreEtZoom(true);
}

void TPretraitement::AppliquerSeuilsAutoRegistration()
{
    if (!ImageRegistrationChargee)
        return;
    if (TypeImages() == tiBmp) {
        FixerSeuilsBmp(RegistrationBmp, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), false, true);
        PlacerCurseurs(TrckBrRegistrationSeuilHaut, TrckBrRegistrationSeuilBas, RegistrationBmp.SMax,
                       RegistrationBmp.SMin);
    } else {
        FixerSeuilsFit(RegistrationFit, SeuilMiniAutoFit(RegistrationFit), SeuilMaxiAutoFit(RegistrationFit), false,
                       true);
        PlacerCurseurs(TrckBrRegistrationSeuilHaut, TrckBrRegistrationSeuilBas, RegistrationFit.SMax,
                       RegistrationFit.SMin);
    }
    RendreRegistration();
    if (CadreDefini())
        TracerCadreEtZoom(true);
}

void TPretraitement::SelectionnerBrute(int index)
{
    const QSignalBlocker bloque(LstBxBrutes);
    LstBxBrutes->clearSelection();
    LstBxBrutes->setCurrentRow(index);
    if (QListWidgetItem* e = LstBxBrutes->item(index))
        e->setSelected(true);
}

void TPretraitement::CmbBxBrutesRegistrationChange()
{
    const int i = CmbBxBrutesRegistration->currentIndex();
    if (i < 0 || i == IndexBrutesRegistration)
        return;
    SelectionnerBrute(i);
    LstBxBrutesClick();
    IndexBrutesRegistration = i;
    if (ChckBxSeuilsAutoRegistration->isChecked())
        AppliquerSeuilsAutoRegistration();
}

void TPretraitement::CmbBxRegistrationChange()
{
    const int genre = CmbBxRegistration->currentIndex();
    EdtCoefRegistrationPlanetaire->setEnabled(genre == RegistrationPlanetaire);
    UpDwnCoefRegistrationPlanetaire->setEnabled(genre == RegistrationPlanetaire);
    if (ImageRegistrationChargee) {
        if (genre != RegistrationStellaire && CadreDefini())
            EffacerCadre();
        RendreRegistration();
    }
    if (genre == RegistrationStellaire) {
        ImgRegistration->setToolTip(QStringLiteral("Tracez un cadre autour d'une étoile référence"));
        ImgRegistration->setCursor(Qt::CrossCursor);
    } else {
        ImgRegistration->setToolTip(QString());
        ImgRegistration->setCursor(Qt::ArrowCursor);
    }
}

void TPretraitement::CmbBxPlanRegistrationChange()
{
    const int i = CmbBxPlanRegistration->currentIndex();
    if (i == IndexPlanRegistration)
        return;
    if (ImageRegistrationChargee && TypeImages() == tiBmp && FormatPixelBmp(RegistrationBmp) == pf24bit) {
        if (CadreDefini())
            AfficherZoom(true);
        if (CmbBxRegistration->currentIndex() == RegistrationPlanetaire)
            RendreRegistration();
    }
    IndexPlanRegistration = i;
}

void TPretraitement::ImgRegistrationMouseDown(Qt::MouseButton bouton, int x, int y)
{
    if (bouton != Qt::LeftButton || CmbBxRegistration->currentIndex() != RegistrationStellaire ||
        !ImageRegistrationChargee)
        return;
    RendreRegistration();
    ImageAvantCadre = ImgRegistration->Picture.copy();
    Cadre = TCadre();
    DepartX = x;
    DepartY = y;
}

void TPretraitement::ImgRegistrationMouseMove(int x, int y)
{
    if (DepartX == -1 && DepartY == -1) {
        LblMessage->setText(QStringLiteral("[") + EntierEnTexte(x) + QLatin1Char(',') + EntierEnTexte(y) +
                            QLatin1Char(']'));
        return;
    }
    // Only the pixels of the former rubber band come back from the copy.
    EffacerRectangleCadre(ImgRegistration->Picture, ImageAvantCadre, FCadreTrace);
    RepeindreCadre(ImgRegistration, FCadreTrace);
    FCadreTrace = TCadre();
    Cadre = TCadre{DepartX, DepartY, x, y};
    NormaliserCadre();
    if (LireConfigLente())
        TracerCadre();
    else
        TracerCadreEtZoom(false);
}

void TPretraitement::ImgRegistrationMouseUp(Qt::MouseButton bouton, int, int)
{
    if (bouton != Qt::LeftButton || DepartX == -1 || DepartY == -1)
        return;
    if (!CadreDefini() || EstCadreVide(Cadre)) {
        // A click, or a frame with no width or height: no frame at all.
        EffacerRectangleCadre(ImgRegistration->Picture, ImageAvantCadre, FCadreTrace);
        RepeindreCadre(ImgRegistration, FCadreTrace);
        FCadreTrace = TCadre();
        EffacerCadre();
    } else {
        AfficherZoom(true);
        ControlerSaturation(true);
    }
    ImageAvantCadre = QImage();
    DepartX = DepartY = -1;
}

void TPretraitement::NormaliserCadre()
{
    ::NormaliserCadre(Cadre, ImgRegistration->Picture.width(), ImgRegistration->Picture.height());
    LblCoordonneesEtMaxi->setText(TexteCadre(Cadre));
    LblCoordonneesEtMaxi->repaint();
}

void TPretraitement::TracerCadre()
{
    TracerRectangleCadre(ImgRegistration->Picture, Cadre);
    FCadreTrace = Cadre;
    RepeindreCadre(ImgRegistration, Cadre);
}

void TPretraitement::AfficherZoom(bool marquer)
{
    QImage zoom;
    if (CadreDefini() && !EstCadreVide(Cadre) && ImageRegistrationChargee)
        zoom = TypeImages() == tiBmp
                   ? ZoomCadreBmp(RegistrationBmp, Cadre, marquer, CouleurIndex(CmbBxPlanRegistration))
                   : ZoomCadreFit(RegistrationFit, Cadre, marquer);
    if (zoom.isNull()) {
        PnlZoomRegistration->hide();
        return;
    }
    ImgZoomRegistration->FixerImage(zoom);
    PnlZoomRegistration->resize(zoom.width() + 2, zoom.height() + 2);
    PnlZoomRegistration->move(ScrllBxRegistration->pos() + QPoint(2, 2));
    PnlZoomRegistration->show();
    PnlZoomRegistration->raise();
}

void TPretraitement::TracerCadreEtZoom(bool marquer)
{
    TracerCadre();
    AfficherZoom(marquer);
}

void TPretraitement::ControlerSaturation(bool avertir)
{
    if (!ImageRegistrationChargee)
        return;
    int64_t maxi = 0;
    if (TypeImages() == tiBmp) {
        if (!MaxiCadreBmp(RegistrationBmp, Cadre, maxi))
            return;
        LblCoordonneesEtMaxi->setText(LblCoordonneesEtMaxi->text() + QStringLiteral(" Max : ") + EntierEnTexte(maxi));
        if (avertir && maxi > 254)
            Dialogues::Information(MessageSaturationBmp());
    } else {
        if (!MaxiCadreFit(RegistrationFit, Cadre, maxi))
            return;
        LblCoordonneesEtMaxi->setText(LblCoordonneesEtMaxi->text() + QStringLiteral(" Max : ") + EntierEnTexte(maxi));
        const int64_t seuil = SeuilSaturationFit(LireCodageImagesFits());
        if (avertir && maxi >= seuil)
            Dialogues::Information(MessageSaturationFit(seuil));
    }
}

void TPretraitement::VerifierCadre()
{
    if (!CadreDefini())
        return;
    LblCoordonneesEtMaxi->setText(TexteCadre(Cadre));
    ControlerSaturation(false);
}

void TPretraitement::EffacerCadre()
{
    PnlZoomRegistration->hide();
    LblCoordonneesEtMaxi->clear();
    Cadre = TCadre();
}

bool TPretraitement::ExtraireCadreFit(const THistoFit& source, THistoFit& destination) const
{
    return CouperCadreFit(source, destination, Cadre);
}

bool TPretraitement::ExtraireCadreBmp(const THistoBmp& source, THistoBmp& destination) const
{
    return CouperCadreBmp(source, destination, Cadre);
}
