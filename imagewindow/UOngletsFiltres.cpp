#include "UOngletsFiltres.h"

#include "UDialoguesFiltres.h"

#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "UFiltres.h"
#include "UFiltresBmp.h"
#include "UMain.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "UParametres.h"


#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

namespace {
constexpr int TailleApercu = 100;
const QColor GrisApercu(0x80, 0x80, 0x80);

const char* const NomsOnglets[4] = {"PasseBas", "PasseHaut", "Gaussien", "MasqueFlou"};
const char* const TitresOnglets[4] = {"Passe bas", "Passe haut", "Gaussien", "Masque flou"};

QString LibelleVide(TOngletFiltre onglet)
{
    return onglet == TOngletFiltre::MasqueFlou ? QStringLiteral("-/-") : QStringLiteral("-");
}

// Displayed coordinate to image coordinate at a zoom percent.
int32_t EcranVersImageZoom(int32_t v, int32_t zoom)
{
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(v) * 100.0 / (zoom > 0 ? zoom : 100)));
}

// Grey in the picture's own format (nearest palette entry for 8-bit).
void RemplirGris(QImage& image)
{
    if (image.format() != QImage::Format_Indexed8) {
        image.fill(GrisApercu);
        return;
    }
    const QList<QRgb> table = image.colorTable();
    int meilleur = 0;
    int ecart = 1 << 30;
    for (int i = 0; i < table.size(); ++i) {
        const int e = std::abs(qRed(table[i]) - 0x80) + std::abs(qGreen(table[i]) - 0x80) + std::abs(qBlue(table[i]) - 0x80);
        if (e < ecart) {
            ecart = e;
            meilleur = i;
        }
    }
    image.fill(static_cast<uint>(meilleur));
}

// The 100 x 100 area of `source` whose top-left corner is (x, y), in the
// source's format; grey where it leaves the source.
QImage Decouper(const QImage& source, int x, int y)
{
    QImage zone(TailleApercu, TailleApercu, source.format());
    if (source.format() == QImage::Format_Indexed8)
        zone.setColorTable(source.colorTable());
    RemplirGris(zone);
    const QRect commun = QRect(x, y, TailleApercu, TailleApercu).intersected(source.rect());
    if (commun.isEmpty())
        return zone;
    const int octets = source.depth() / 8;
    for (int ligne = commun.top(); ligne <= commun.bottom(); ++ligne)
        std::memcpy(zone.scanLine(ligne - y) + static_cast<size_t>(commun.left() - x) * octets,
                    source.constScanLine(ligne) + static_cast<size_t>(commun.left()) * octets,
                    static_cast<size_t>(commun.width()) * octets);
    return zone;
}

QFont PoliceFixe()
{
    QFont police = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    police.setStyleHint(QFont::Monospace);
    return police;
}

QLineEdit* CreerEdit(QWidget* parent, const QString& nom)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(nom);
    edit->setFont(PoliceFixe());
    edit->setFixedWidth(48);
    InstallerFiltreSaisie(edit, TGenreSaisie::Reel, 1);
    return edit;
}

QSpinBox* CreerHautBas(QWidget* parent, const QString& nom)
{
    auto* hautBas = new QSpinBox(parent);
    hautBas->setObjectName(nom);
    hautBas->setFixedSize(17, 21);
    hautBas->setFocusPolicy(Qt::NoFocus);
    return hautBas;
}

QWidget* EditAvecHautBas(QWidget* parent, QLineEdit*& edit, QSpinBox*& hautBas, const QString& nomEdit,
                         const QString& nomHautBas)
{
    auto* boite = new QWidget(parent);
    auto* disposition = new QHBoxLayout(boite);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(0);
    edit = CreerEdit(boite, nomEdit);
    hautBas = CreerHautBas(boite, nomHautBas);
    disposition->addWidget(edit);
    disposition->addWidget(hautBas);
    disposition->addStretch();
    return boite;
}

// The five edits move together and stop together at the first one's bound.
void PasRangee(const std::array<QLineEdit*, 5>& edits, TBoutonHautBas bouton, bool sigma)
{
    for (QLineEdit* e : edits)
        sigma ? EditSigmaMinimum(e) : EditCoefficientPositif(e);
    const auto pas = sigma ? PasSigma : PasCoefficient;
    if (!pas(edits[0], bouton))
        return;
    for (int i = 1; i < 5; ++i)
        pas(edits[i], bouton);
}
} // namespace

// ---------------------------------------------------------------------------

TApercuFiltre::TApercuFiltre(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(TailleApercu, TailleApercu);
    setCursor(Qt::PointingHandCursor);
}

void TApercuFiltre::FixerImage(const QImage& image)
{
    Picture = image;
    update();
}

void TApercuFiltre::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.fillRect(rect(), palette().window());
    if (!Picture.isNull())
        peintre.drawImage(QPoint(0, 0), Picture);
}

void TApercuFiltre::mouseReleaseEvent(QMouseEvent* evenement)
{
    if (evenement->button() == Qt::LeftButton && rect().contains(evenement->position().toPoint()))
        emit Clic();
}

// ---------------------------------------------------------------------------

TOngletsFiltres::TOngletsFiltres(TContexteOngletsFiltres contexte, QObject* parent)
    : QObject(parent)
    , FContexte(std::move(contexte))
{
}

TOngletsFiltres::~TOngletsFiltres() = default;

int TOngletsFiltres::NombreApercus(TOngletFiltre onglet) const { return onglet == TOngletFiltre::MasqueFlou ? 25 : 5; }

QWidget* TOngletsFiltres::Onglet(TOngletFiltre onglet) const
{
    const std::array<QWidget*, 4> pages{TbShtPasseBas, TbShtPasseHaut, TbShtGaussien, TbShtMasqueFlou};
    return pages[static_cast<int>(onglet)];
}

void TOngletsFiltres::AjouterOnglets(QTabWidget* pages)
{
    FPages = pages;
    for (int i = 0; i < 4; ++i) {
        const auto onglet = static_cast<TOngletFiltre>(i);
        QWidget* page = CreerOnglet(onglet);
        pages->addTab(page, QString::fromUtf8(TitresOnglets[i]));
    }
    LirePreferencesGaussien();
    LirePreferencesMasqueFlou();
}

QWidget* TOngletsFiltres::CreerOnglet(TOngletFiltre onglet)
{
    const int n = static_cast<int>(onglet);
    const QString nom = QString::fromLatin1(NomsOnglets[n]);
    const QString suffixe = onglet == TOngletFiltre::MasqueFlou ? QStringLiteral("MF") : nom;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TbSht") + nom);
    auto* disposition = new QVBoxLayout(page);

    // Top bar.
    auto* barre = new QHBoxLayout;
    auto* appliquer = new QToolButton(page);
    appliquer->setObjectName(QStringLiteral("TlBttn") + nom);
    appliquer->setText(QStringLiteral("Appliquer le filtre"));
    TlBttnAppliquer[n] = appliquer;
    auto* preservatif = new QCheckBox(QStringLiteral("Préservatif"), page);
    preservatif->setObjectName(QStringLiteral("ChckBxPreservatif") + nom);
    preservatif->setToolTip(QStringLiteral("Ne concerne que les images au format Fit"));
    ChckBxPreservatif[n] = preservatif;
    barre->addWidget(appliquer);
    barre->addWidget(preservatif);
    connect(appliquer, &QToolButton::clicked, this, Commande([this, onglet] { AppliquerFiltre(onglet); }));
    if (onglet == TOngletFiltre::Gaussien || onglet == TOngletFiltre::MasqueFlou) {
        auto* restaurer = new QToolButton(page);
        restaurer->setObjectName(onglet == TOngletFiltre::Gaussien ? QStringLiteral("TlBttnRestaurerPreferencesGaussien")
                                                                   : QStringLiteral("TlBttnRestaurerPreferencesMF"));
        restaurer->setText(QStringLiteral("Restaurer préf."));
        restaurer->setToolTip(QStringLiteral("Restaurer les préférences"));
        barre->addWidget(restaurer);
        if (onglet == TOngletFiltre::Gaussien) {
            TlBttnRestaurerPreferencesGaussien = restaurer;
            connect(restaurer, &QToolButton::clicked, this, Commande([this] { LirePreferencesGaussien(); }));
        } else {
            TlBttnRestaurerPreferencesMF = restaurer;
            connect(restaurer, &QToolButton::clicked, this, Commande([this] { LirePreferencesMasqueFlou(); }));
        }
    }
    barre->addStretch();
    disposition->addLayout(barre);

    // The grid scrolls when the window is smaller than it.
    auto* defilement = new QScrollArea(page);
    defilement->setFrameShape(QFrame::NoFrame);
    auto* grille = new QWidget;
    auto* g = new QGridLayout(grille);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(2);

    auto creerApercu = [&](int index, const QString& nomApercu, const QString& nomLibelle) {
        auto* apercu = new TApercuFiltre(grille);
        apercu->setObjectName(nomApercu);
        QImage gris(TailleApercu, TailleApercu, QImage::Format_RGB32);
        gris.fill(GrisApercu);
        apercu->FixerImage(gris);
        auto* libelle = new QLabel(LibelleVide(onglet), grille);
        libelle->setObjectName(nomLibelle);
        libelle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        Apercus[n][index] = apercu;
        Libelles[n][index] = libelle;
        connect(apercu, &TApercuFiltre::Clic, this, Commande([this, onglet, index] { ClicApercu(onglet, index); }));
    };

    if (onglet == TOngletFiltre::MasqueFlou) {
        auto* titreSigma = new QLabel(QStringLiteral("Sigma"), grille);
        UpDwnSigmasMF = CreerHautBas(grille, QStringLiteral("UpDwnSigmasMF"));
        auto* enTete = new QHBoxLayout;
        enTete->addWidget(titreSigma);
        enTete->addWidget(UpDwnSigmasMF);
        enTete->addStretch();
        g->addLayout(enTete, 0, 1, 1, 5);
        auto* titreCoef = new QLabel(QStringLiteral("Coefficient"), grille);
        UpDwnCoefsMF = CreerHautBas(grille, QStringLiteral("UpDwnCoefsMF"));
        auto* coin = new QHBoxLayout;
        coin->addWidget(titreCoef);
        coin->addWidget(UpDwnCoefsMF);
        g->addLayout(coin, 1, 0);
        for (int c = 0; c < 5; ++c) {
            const QString k = QString::number(c + 1);
            g->addWidget(EditAvecHautBas(grille, EdtSigmaMF[c], UpDwnSigmaMF[c], QStringLiteral("EdtSigmaMF") + k,
                                         QStringLiteral("UpDwnSigmaMF") + k),
                         1, c + 1);
        }
        for (int r = 0; r < 5; ++r) {
            const QString k = QString::number(r + 1);
            g->addWidget(EditAvecHautBas(grille, EdtCoefMF[r], UpDwnCoefMF[r], QStringLiteral("EdtCoefMF") + k,
                                         QStringLiteral("UpDwnCoefMF") + k),
                         2 + 2 * r, 0, Qt::AlignVCenter);
            for (int c = 0; c < 5; ++c) {
                const QString rc = k + QString::number(c + 1);
                creerApercu(r * 5 + c, QStringLiteral("ImgMF") + rc, QStringLiteral("LblValeursMF") + rc);
                g->addWidget(Apercus[n][r * 5 + c], 2 + 2 * r, c + 1);
                g->addWidget(Libelles[n][r * 5 + c], 3 + 2 * r, c + 1);
            }
        }
        for (int i = 0; i < 5; ++i) {
            QLineEdit* sigma = EdtSigmaMF[i];
            QLineEdit* coef = EdtCoefMF[i];
            RelierHautBas(UpDwnSigmaMF[i], [sigma](TBoutonHautBas b) { PasSigma(sigma, b); });
            RelierHautBas(UpDwnCoefMF[i], [coef](TBoutonHautBas b) { PasCoefficient(coef, b); });
        }
        RelierHautBas(UpDwnSigmasMF, [this](TBoutonHautBas b) { PasRangee(EdtSigmaMF, b, true); });
        RelierHautBas(UpDwnCoefsMF, [this](TBoutonHautBas b) { PasRangee(EdtCoefMF, b, false); });
    } else {
        int ligne = 0;
        if (onglet == TOngletFiltre::Gaussien) {
            UpDwnSigmasGaussien = CreerHautBas(grille, QStringLiteral("UpDwnSigmasGaussien"));
            auto* enTete = new QHBoxLayout;
            enTete->addWidget(new QLabel(QStringLiteral("Sigma"), grille));
            enTete->addWidget(UpDwnSigmasGaussien);
            enTete->addStretch();
            g->addLayout(enTete, ligne++, 0, 1, 5);
            for (int c = 0; c < 5; ++c) {
                const QString k = QString::number(c + 1);
                g->addWidget(EditAvecHautBas(grille, EdtSigmaGaussien[c], UpDwnSigmaGaussien[c],
                                             QStringLiteral("EdtSigmaGaussien") + k,
                                             QStringLiteral("UpDwnSigmaGaussien") + k),
                             ligne, c);
                QLineEdit* sigma = EdtSigmaGaussien[c];
                RelierHautBas(UpDwnSigmaGaussien[c], [sigma](TBoutonHautBas b) { PasSigma(sigma, b); });
            }
            RelierHautBas(UpDwnSigmasGaussien, [this](TBoutonHautBas b) { PasRangee(EdtSigmaGaussien, b, true); });
            ++ligne;
        } else {
            g->addWidget(new QLabel(QStringLiteral("Force"), grille), ligne++, 0, 1, 5);
            for (int c = 0; c < 5; ++c) {
                auto* force = new QLabel(QStringLiteral(" %1 ").arg(c + 1), grille);
                force->setAlignment(Qt::AlignHCenter);
                g->addWidget(force, ligne, c);
            }
            ++ligne;
        }
        for (int c = 0; c < 5; ++c) {
            const QString k = QString::number(c + 1);
            creerApercu(c, QStringLiteral("Img") + suffixe + k, QStringLiteral("LblValeurs") + suffixe + k);
            g->addWidget(Apercus[n][c], ligne, c);
            g->addWidget(Libelles[n][c], ligne + 1, c);
        }
    }
    g->setRowStretch(g->rowCount(), 1);
    g->setColumnStretch(g->columnCount(), 1);
    defilement->setWidget(grille);
    defilement->setWidgetResizable(true);
    disposition->addWidget(defilement, 1);

    *std::array<QWidget**, 4>{&TbShtPasseBas, &TbShtPasseHaut, &TbShtGaussien, &TbShtMasqueFlou}[n] = page;
    return page;
}

void TOngletsFiltres::LirePreferencesGaussien()
{
    for (int i = 0; i < 5; ++i)
        EdtSigmaGaussien[i]->setText(ReelEnTexte(LireSigmaGaussien(i + 1), 1));
}

void TOngletsFiltres::LirePreferencesMasqueFlou()
{
    for (int i = 0; i < 5; ++i) {
        EdtSigmaMF[i]->setText(ReelEnTexte(LireSigmaMasqueFlou(i + 1), 1));
        EdtCoefMF[i]->setText(ReelEnTexte(LireCoefMasqueFlou(i + 1), 1));
    }
}

namespace {
std::array<double, 5> Valeurs(const std::array<QLineEdit*, 5>& edits, const double* defauts)
{
    std::array<double, 5> v{};
    for (int i = 0; i < 5; ++i)
        v[i] = TexteEnReelDefaut(edits[i]->text(), defauts[i]);
    return v;
}
} // namespace

std::array<double, 5> TOngletsFiltres::SigmasGaussien() const { return Valeurs(EdtSigmaGaussien, SigmasParDefaut); }
std::array<double, 5> TOngletsFiltres::SigmasMasqueFlou() const { return Valeurs(EdtSigmaMF, SigmasParDefaut); }
std::array<double, 5> TOngletsFiltres::CoefficientsMasqueFlou() const
{
    return Valeurs(EdtCoefMF, CoefficientsParDefaut);
}

void TOngletsFiltres::EnregistrerParametres()
{
    const auto g = SigmasGaussien();
    const auto s = SigmasMasqueFlou();
    const auto c = CoefficientsMasqueFlou();
    EcrireSigmasGaussien(g[0], g[1], g[2], g[3], g[4]);
    EcrireParametresMasqueFlou(s[0], s[1], s[2], s[3], s[4], c[0], c[1], c[2], c[3], c[4]);
}

void TOngletsFiltres::PageChangee(int index)
{
    if (!FPages)
        return;
    QWidget* page = FPages->widget(index);
    for (int i = 0; i < 4; ++i) {
        const auto onglet = static_cast<TOngletFiltre>(i);
        if (page && page == Onglet(onglet)) {
            if (FContexte.SelectionParDefaut)
                FContexte.SelectionParDefaut();
            Rafraichir(onglet);
            return;
        }
    }
}

QImage TOngletsFiltres::CadrageAffiche() const
{
    const int type = FContexte.TypeImage ? FContexte.TypeImage() : 0;
    const bool positif = FContexte.Positif ? FContexte.Positif() : true;
    QImage rendu;
    if (type == tiFit && FContexte.ImageFit && !FContexte.ImageFit->Pixels.empty()) {
        rendu = RendreFit(*FContexte.ImageFit, positif);
    } else if (type == tiBmp && FContexte.ImageBmp && !FContexte.ImageBmp->BitmapSource.isNull()) {
        // A light copy (the picture is shared) renders without touching the window.
        THistoBmp copie = *FContexte.ImageBmp;
        copie.Proprietaire = [&rendu](const QImage& r) { rendu = r; };
        AfficherBmp(copie, positif);
    }
    if (rendu.isNull())
        return {};
    const int profondeur = rendu.depth();
    if (type == tiBmp && rendu.format() != QImage::Format_Indexed8 && rendu.format() != QImage::Format_BGR888)
        rendu = rendu.convertToFormat(QImage::Format_BGR888); // the bitmap filters work on 8 or 24 bits
    else if (profondeur != 8 && profondeur != 24 && profondeur != 32)
        rendu = rendu.convertToFormat(QImage::Format_RGB32);
    const QPoint centre = FContexte.CentreSelection ? FContexte.CentreSelection() : QPoint();
    return Decouper(rendu, centre.x() - TailleApercu / 2, centre.y() - TailleApercu / 2);
}

void TOngletsFiltres::Rafraichir(TOngletFiltre onglet)
{
    const int n = static_cast<int>(onglet);
    QImage cadrage = CadrageAffiche();
    if (cadrage.isNull()) {
        cadrage = QImage(TailleApercu, TailleApercu, QImage::Format_RGB32);
        cadrage.fill(GrisApercu);
    }
    for (int i = 0; i < NombreApercus(onglet); ++i) {
        Apercus[n][i]->FixerImage(cadrage);
        Apercus[n][i]->setToolTip(QString());
        Libelles[n][i]->setText(LibelleVide(onglet));
    }
}

void TOngletsFiltres::CadrageFit(THistoFit& zone) const
{
    const THistoFit& image = *FContexte.ImageFit;
    const int32_t zoom = image.Zoom;
    const QPoint centre = FContexte.CentreSelection ? FContexte.CentreSelection() : QPoint();
    // The crop spans the picture shown by one preview at this zoom, so that
    // the filtered previews show the same place as the unfiltered crop.
    // Both ends are clamped on their own: near an edge the crop is shorter.
    const int32_t etendue = EcranVersImageZoom(TailleApercu, zoom);
    const int32_t l = EcranVersImageZoom(centre.x(), zoom) - etendue / 2;
    const int32_t t = EcranVersImageZoom(centre.y(), zoom) - etendue / 2;
    const int32_t gauche = BornerEntier(l, 0, image.XMax);
    const int32_t haut = BornerEntier(t, 0, image.YMax);
    const int32_t droite = BornerEntier(l + etendue, 0, image.XMax);
    const int32_t bas = BornerEntier(t + etendue, 0, image.YMax);

    zone.Entete = image.Entete;
    zone.Palette = image.Palette;
    zone.Zoom = image.Zoom;
    zone.SMin = image.SMin;
    zone.SMax = image.SMax;
    zone.TRFT = image.TRFT;
    zone.Min = image.Min;
    zone.Max = image.Max;
    zone.XMax = droite - gauche;
    zone.YMax = bas - haut;
    const size_t hauteur = static_cast<size_t>(zone.YMax) + 1;
    zone.Pixels.assign((static_cast<size_t>(zone.XMax) + 1) * hauteur, 0.0);
    for (int32_t x = 0; x <= zone.XMax; ++x)
        std::memcpy(zone.Colonne(x), image.Colonne(gauche + x) + haut, hauteur * sizeof(double));
    FixerDimensionsEnteteFit(zone, zone.XMax + 1, zone.YMax + 1);
}

void TOngletsFiltres::RemplirApercuFit(TApercuFiltre* apercu, const THistoFit& zone,
                                       const std::function<void(THistoFit&)>& filtre) const
{
    THistoFit travail;
    CopierHistoFit(zone, travail);
    filtre(travail);
    const QImage rendu = RendreFit(travail, FContexte.Positif ? FContexte.Positif() : true);
    QImage image(TailleApercu, TailleApercu, QImage::Format_RGB32);
    image.fill(GrisApercu);
    {
        QPainter peintre(&image);
        peintre.drawImage(QPoint(0, 0), rendu, QRect(0, 0, TailleApercu, TailleApercu).intersected(rendu.rect()));
    }
    apercu->FixerImage(image);
}

void TOngletsFiltres::AppliquerFiltre(TOngletFiltre onglet)
{
    const int n = static_cast<int>(onglet);
    Rafraichir(onglet);

    // Values first: a text that does not convert stops before any preview,
    // and before the status line says that the filter runs.
    std::array<double, 5> sigmas{};
    std::array<double, 5> coefs{};
    if (onglet == TOngletFiltre::Gaussien) {
        for (QLineEdit* e : EdtSigmaGaussien)
            EditSigmaMinimum(e);
        for (int i = 0; i < 5; ++i)
            sigmas[i] = ConvertirReel(EdtSigmaGaussien[i]->text());
    } else if (onglet == TOngletFiltre::MasqueFlou) {
        for (int i = 0; i < 5; ++i) {
            EditSigmaMinimum(EdtSigmaMF[i]);
            EditCoefficientPositif(EdtCoefMF[i]);
        }
        for (int i = 0; i < 5; ++i) {
            sigmas[i] = ConvertirReel(EdtSigmaMF[i]->text());
            coefs[i] = ConvertirReel(EdtCoefMF[i]->text());
        }
    }

    if (FContexte.TexteStatut)
        FContexte.TexteStatut(QStringLiteral("Application ") + QString::fromUtf8(TitresOnglets[n]) + QStringLiteral("..."));
    TSablier sablier;

    const int type = FContexte.TypeImage ? FContexte.TypeImage() : 0;
    const bool preservatif = ChckBxPreservatif[n]->isChecked();
    THistoFit zone;
    const bool fit = type == tiFit && FContexte.ImageFit && !FContexte.ImageFit->Pixels.empty();
    const bool bmp = type == tiBmp && FContexte.ImageBmp && !FContexte.ImageBmp->BitmapSource.isNull();
    if (fit)
        CadrageFit(zone);

    for (int i = 0; i < NombreApercus(onglet); ++i) {
        TApercuFiltre* apercu = Apercus[n][i];
        QString libelle;
        QString bulle;
        std::function<void(THistoFit&)> filtreFit;
        std::function<void(QImage&)> filtreBitmap;
        switch (onglet) {
        case TOngletFiltre::PasseBas:
        case TOngletFiltre::PasseHaut: {
            const int force = i + 1;
            const bool passeBas = onglet == TOngletFiltre::PasseBas;
            libelle = EntierEnTexte(force);
            bulle = (passeBas ? QStringLiteral("Passe bas Force ") : QStringLiteral("Passe haut Force ")) + libelle;
            filtreFit = [=](THistoFit& im) {
                passeBas ? FiltrePasseBasFit(im, force, preservatif) : FiltrePasseHautFit(im, force, preservatif);
            };
            filtreBitmap = [=](QImage& b) { passeBas ? FiltrePasseBasBitmap(b, force) : FiltrePasseHautBitmap(b, force); };
            break;
        }
        case TOngletFiltre::Gaussien: {
            const double sigma = sigmas[i];
            libelle = EdtSigmaGaussien[i]->text();
            bulle = QStringLiteral("Gaussien Sigma ") + ReelEnTexte(sigma, 1);
            filtreFit = [=](THistoFit& im) { FiltreGaussienFit(im, preservatif, sigma); };
            filtreBitmap = [=](QImage& b) { FiltreGaussienBitmap(b, sigma); };
            break;
        }
        case TOngletFiltre::MasqueFlou: {
            const int r = i / 5;
            const int c = i % 5;
            const double sigma = sigmas[c];
            const double coef = coefs[r];
            libelle = EdtCoefMF[r]->text() + QStringLiteral("/") + EdtSigmaMF[c]->text();
            bulle = QStringLiteral("Masque flou Sigma ") + ReelEnTexte(sigma, 1) + QStringLiteral(" Coefficient ")
                  + ReelEnTexte(coef, 1);
            filtreFit = [=](THistoFit& im) { FiltreMasqueFlouFit(im, preservatif, sigma, coef); };
            filtreBitmap = [=](QImage& b) { FiltreMasqueFlouBitmap(b, sigma, coef); };
            break;
        }
        }
        if (fit) {
            RemplirApercuFit(apercu, zone, filtreFit);
        } else if (bmp && filtreBitmap) {
            QImage image = apercu->Picture;
            image.detach();
            filtreBitmap(image);
            apercu->FixerImage(image);
        }
        apercu->setToolTip(bulle);
        Libelles[n][i]->setText(libelle);
    }
    if (FContexte.TexteStatut)
        FContexte.TexteStatut(QStringLiteral("Terminé."));
}

void TOngletsFiltres::ClicApercu(TOngletFiltre onglet, int index)
{
    const int n = static_cast<int>(onglet);
    if (Libelles[n][0]->text() == LibelleVide(onglet)) {
        Dialogues::Information(QStringLiteral("Cliquez sur 'Appliquer le filtre' avant de choisir un traitement."));
        return;
    }
    const QString libelle = Libelles[n][index]->text();
    const bool preservatif = ChckBxPreservatif[n]->isChecked();
    if (FContexte.AfficherSource)
        FContexte.AfficherSource();
    switch (onglet) {
    case TOngletFiltre::PasseBas:
        if (FContexte.AppliquerPasseBas)
            FContexte.AppliquerPasseBas(ConvertirEntier(libelle), preservatif);
        break;
    case TOngletFiltre::PasseHaut:
        if (FContexte.AppliquerPasseHaut)
            FContexte.AppliquerPasseHaut(ConvertirEntier(libelle), preservatif);
        break;
    case TOngletFiltre::Gaussien:
        if (FContexte.AppliquerGaussien)
            FContexte.AppliquerGaussien(preservatif, ConvertirReel(libelle));
        break;
    case TOngletFiltre::MasqueFlou: {
        const qsizetype barre = libelle.indexOf(QLatin1Char('/'));
        const double coefficient = ConvertirReel(libelle.left(barre));
        const double sigma = ConvertirReel(libelle.mid(barre + 1));
        if (FContexte.AppliquerMasqueFlou)
            FContexte.AppliquerMasqueFlou(preservatif, sigma, coefficient);
        break;
    }
    }
}

// ---------------------------------------------------------------------------

std::unique_ptr<TOngletsImage> CreerOngletsFiltres(TTraitementImage& fenetre)
{
    TTraitementImage* f = &fenetre;
    TContexteOngletsFiltres c;
    c.ImageFit = &f->ImageFit;
    c.ImageBmp = &f->ImageBmp;
    c.TypeImage = [f] { return f->TypeImageDocument(); };
    c.Positif = [f] { return f->Positif; };
    c.CentreSelection = [f] { return QPoint(f->Selection.X, f->Selection.Y); };
    c.SelectionParDefaut = [f] {
        if (f->Selection.Genre != SelectionAucune)
            return;
        TSelectionImage s;
        s.Genre = SelectionRectangle;
        s.X = f->ImgSource->Picture.width() / 2;
        s.Y = f->ImgSource->Picture.height() / 2;
        s.Largeur = TailleApercu;
        s.Hauteur = TailleApercu;
        f->Selection = s;
        if (Main)
            Main->UpdateMenuItems();
        f->MajLibellesSelection();
        f->AfficherImage(true, true);
    };
    c.TexteStatut = [f](const QString& texte) { f->FixerTexteStatut(texte); };
    c.AfficherSource = [f] { f->PgCtrlPrincipale->setCurrentWidget(f->TbShtSource); };
    c.AppliquerPasseBas = [f](int force, bool p) { f->AppliquerPasseBas(force, p); };
    c.AppliquerPasseHaut = [f](int force, bool p) { f->AppliquerPasseHaut(force, p); };
    c.AppliquerGaussien = [f](bool p, double sigma) { f->AppliquerGaussien(p, sigma); };
    c.AppliquerMasqueFlou = [f](bool p, double sigma, double coef) { f->AppliquerMasqueFlou(p, sigma, coef); };
    auto onglets = std::make_unique<TOngletsFiltres>(std::move(c));
    onglets->AjouterOnglets(f->PgCtrlPrincipale);
    return onglets;
}
