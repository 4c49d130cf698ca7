#include "UExportationJpeg.h"

#include "ui_UExportationJpeg.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UBmp.h"
#include "UJpeg.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>

TExportationJpeg* ExportationJpeg = nullptr;

TExportationJpeg::TExportationJpeg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TExportationJpeg)
{
    ui->setupUi(this);
    resize(400, 400);
    connect(ui->TrckBrQualite, &QSlider::valueChanged, this,
            [this](int position) { ExecuterCommande([&] { TrckBrQualiteChange(position); }); });
    connect(ui->BtnExporter, &QPushButton::clicked, this, Commande([this] { BtnExporterClick(); }));
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TExportationJpeg::~TExportationJpeg() { delete ui; }

QString TExportationJpeg::TexteTaille(int64_t octets)
{
    return EntierEnTexte(octets / 1000) + QStringLiteral(" Ko (") + EntierEnTexte(octets) + QStringLiteral(" octets)");
}

int TExportationJpeg::Qualite() const { return ui->TrckBrQualite->value(); }

void TExportationJpeg::Initialiser(const QImage& bitmap)
{
    BitmapAExporter = CreerBitmap();
    CopierBitmap(bitmap, BitmapAExporter);
    Exporte = false;
    Previsualiser();
}

QString TExportationJpeg::DossierPrevisualisation() const
{
    QString dossier = DossierTemporaire.isEmpty() ? RepertoireApplication() : DossierTemporaire;
    const QFileInfo info(dossier);
    // An installed program's folder is read-only: fall back to the system's.
    if (dossier.isEmpty() || !info.isDir() || !info.isWritable())
        dossier = QDir::tempPath();
    if (!dossier.endsWith(QLatin1Char('/')))
        dossier += QLatin1Char('/');
    return dossier;
}

void TExportationJpeg::Previsualiser()
{
    const QByteArray compresse = CompresserJpeg(BitmapAExporter, Qualite());
    // A name no one can foresee, created exclusively and read back through
    // its own handle: nothing planted in a shared folder is followed or read.
    TFichierTemporaire fichier(DossierPrevisualisation() + QStringLiteral("~expjpegXXXXXXjpg"));
    FDernierTemporaire = fichier.Nom();
    fichier.Ecrire(compresse);
    const QByteArray relu = fichier.Relire();
    const int64_t taille = fichier.Taille();
    fichier.Supprimer();
    const QImage apercu = DecompresserJpeg(relu, BitmapAExporter.size());

    ui->ImgPrevisualisation->setPixmap(QPixmap::fromImage(apercu));
    ui->ImgPrevisualisation->resize(apercu.size());
    FTaille = taille;
    ui->LblTailleFichier->setText(TexteTaille(taille));
}

void TExportationJpeg::TrckBrQualiteChange(int position)
{
    ui->LblValeurQualite->setText(EntierEnTexte(position) + QStringLiteral(" %"));
    if (!BitmapAExporter.isNull())
        Previsualiser();
}

void TExportationJpeg::BtnExporterClick()
{
    const QString nom = Dialogues::ChoisirFichierEnregistrement(this, QStringLiteral("Exporter Jpeg sous"),
                                                                QStringLiteral("Fichier Jpeg (*.jpg)"));
    if (nom.isEmpty())
        return; // the dialog stays open
    EnregistrerJpeg(BitmapAExporter, Qualite(), nom);
    Exporte = true;
    accept();
}

void TExportationJpeg::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    Exporte = false;
    const bool suivi = LireDefilImgTpsReel();
    ui->ScrllBxImgPrevisualisation->horizontalScrollBar()->setTracking(suivi);
    ui->ScrllBxImgPrevisualisation->verticalScrollBar()->setTracking(suivi);
    ui->BtnExporter->setFocus();
    int largeur = MaxEntier(BitmapAExporter.width() + 15, 400);
    int hauteur = MaxEntier(BitmapAExporter.height() + 120, 400);
    // A large picture scrolls in the preview rather than push the buttons off the screen.
    // The title bar and borders come on top of the client size.
    const QScreen* ecran = screen();
    const QRect zone = ecran ? ecran->availableGeometry() : QRect();
    if (ecran) {
        largeur = MinEntier(largeur, MaxEntier(zone.width() - 16, 400));
        hauteur = MinEntier(hauteur, MaxEntier(zone.height() - 48, 400));
    }
    if (!ecran) {
        resize(largeur, hauteur);
        return;
    }
    // Centred on the screen, as the form says. The window system may take a
    // position given before the first showing as the client area's: the
    // client rectangle is placed below room for the title bar, so that the
    // title bar never lands above the screen.
    const int gauche = zone.left() + (zone.width() - largeur) / 2;
    const int haut = zone.top() + 32 + (zone.height() - 48 - hauteur) / 2;
    setGeometry(gauche, haut, largeur, hauteur);
}

void TExportationJpeg::resizeEvent(QResizeEvent* evenement)
{
    QDialog::resizeEvent(evenement);
    // The bottom buttons stay against the right edge.
    ui->BtnExporter->move(width() - 147, ui->BtnExporter->y());
    ui->BtnAnnuler->move(width() - 82, ui->BtnAnnuler->y());
    ui->BtBtnAide->move(width() - 190, ui->BtBtnAide->y());
}

void TExportationJpeg::done(int resultat)
{
    LibererBitmap(BitmapAExporter);
    QDialog::done(resultat);
}
