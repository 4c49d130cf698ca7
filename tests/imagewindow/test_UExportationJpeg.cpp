#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UExportationJpeg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// A piece of a real photograph, as the image window renders it.
QImage Image(int l, int h)
{
    const QImage photo(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    return photo.convertToFormat(QImage::Format_BGR888).copy(0, 0, l, h);
}

class ExportationJpeg : public ::testing::Test {
protected:
    void SetUp() override { Dialogue.DossierTemporaire = Dossier.path(); }
    QSlider* Qualite() { return Dialogue.findChild<QSlider*>(QStringLiteral("TrckBrQualite")); }
    QString Libelle(const char* nom) { return Dialogue.findChild<QLabel*>(QString::fromLatin1(nom))->text(); }
    // Links to nothing included.
    QStringList Temporaires()
    {
        return QDir(Dossier.path()).entryList({QStringLiteral("~expjpeg*")}, QDir::Files | QDir::System);
    }
    // Presses a button; the save dialog answers `nom` (empty: cancelled).
    void Presser(const char* bouton, const QString& nom = {})
    {
        TRepondeurTest repondeur([nom](const TDemandeDialogue&) {
            return TReponseDialogue{mrCancel, nom.isEmpty() ? QStringList() : QStringList{nom}, {}};
        });
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QString::fromLatin1(bouton)), Qt::LeftButton);
    }

    QTemporaryDir Dossier;
    TExportationJpeg Dialogue;
};
} // namespace

TEST_F(ExportationJpeg, QualiteEtTailleAffichees)
{
    EXPECT_EQ(QStringList({TExportationJpeg::TexteTaille(123456), TExportationJpeg::TexteTaille(999)}),
              QStringList({"123 Ko (123456 octets)", "0 Ko (999 octets)"}));
    Qualite()->setValue(100);
    Dialogue.Initialiser(Image(160, 120));
    int64_t precedente = Dialogue.TailleFichierPrevisualisation();
    for (const int q : {50, 1}) {
        Qualite()->setValue(q);
        const int64_t taille = Dialogue.TailleFichierPrevisualisation();
        EXPECT_LT(taille, std::exchange(precedente, taille)) << q;
        EXPECT_EQ(QStringList({Libelle("LblValeurQualite"), Libelle("LblTailleFichier")}),
                  QStringList({QString::number(q) + " %", TExportationJpeg::TexteTaille(taille)}));
    }
    // The preview shows the picture at 1:1.
    EXPECT_EQ(Dialogue.findChild<QLabel*>(QStringLiteral("ImgPrevisualisation"))->size(), QSize(160, 120));
}

TEST_F(ExportationJpeg, ExportLuParDjpegEtPillow)
{
    Qualite()->setValue(75);
    Dialogue.Initialiser(Image(97, 61));
    const int64_t apercu = Dialogue.TailleFichierPrevisualisation();
    Dialogue.show();
    EXPECT_EQ(Dialogue.size(), QSize(400, 400));
    // A name typed without extension gets ".jpg".
    Presser("BtnExporter", Dossier.filePath(QStringLiteral("export")));
    const QString nom = Dossier.filePath(QStringLiteral("export.jpg"));
    ASSERT_TRUE(QFileInfo::exists(nom));
    EXPECT_EQ(std::make_tuple(Dialogue.Exporte, Dialogue.result(), Dialogue.BitmapAExporter.isNull(), QFileInfo(nom).size()),
              std::make_tuple(true, int(QDialog::Accepted), true, apercu));

    EXPECT_EQ(std::pair(DecodeParDjpeg(nom).left(8), Python("image", {nom})),
              std::pair(QByteArray("P6\n97 61"), QString("JPEG RGB 97 61")));
}

TEST_F(ExportationJpeg, AnnulationsEtEchec)
{
    Dialogue.Initialiser(Image(600, 20));
    Dialogue.Exporte = true; // left from an earlier showing
    Dialogue.show();
    EXPECT_EQ(std::make_pair(Dialogue.Exporte, Dialogue.size()), std::make_pair(false, QSize(615, 400)));
    Presser("BtnExporter"); // save dialog cancelled: the dialog stays
    EXPECT_TRUE(Dialogue.isVisible());
    // A file that cannot be written: the error box, nothing exported.
    Presser("BtnExporter", Dossier.filePath(QStringLiteral("absent/x.jpg")));
    EXPECT_EQ(std::make_tuple(Dialogues::Journal().back().Genre, Dialogue.isVisible(), Dialogue.Exporte),
              std::make_tuple(TGenreDemande::Erreur, true, false))
        << JournalDialogues();
    Presser("BtnAnnuler");
    EXPECT_EQ(std::make_tuple(Dialogue.isVisible(), Dialogue.result(), Dialogue.Exporte),
              std::make_tuple(false, int(QDialog::Rejected), false));
}

TEST_F(ExportationJpeg, FichierTemporaire)
{
    // Names planted where the preview writes: a file, and links to files
    // that do not exist yet. None is written, followed or read.
    QFile premier(Dossier.filePath(QStringLiteral("~expjpeg001jpg")));
    EcrireFichierSur(premier.fileName(), QByteArray("autre"));
    for (const char* nom : {"~expjpeg002jpg", "~expjpeg003jpg"})
        QFile::link(Dossier.filePath(QStringLiteral("cible")), Dossier.filePath(QString::fromLatin1(nom)));
    const QStringList plantes = Temporaires();
    Dialogue.Initialiser(Image(30, 30));
    const QString nom = QFileInfo(Dialogue.DernierFichierTemporaire()).fileName();
    EXPECT_TRUE(nom.startsWith(QStringLiteral("~expjpeg")) && !plantes.contains(nom)) << nom.toStdString();
    EXPECT_EQ(std::tuple(Temporaires(), QFileInfo::exists(Dossier.filePath(QStringLiteral("cible"))),
                         LireFichierComplet(premier.fileName())),
              std::tuple(plantes, false, QByteArray("autre")));
    EXPECT_GT(Dialogue.TailleFichierPrevisualisation(), 0);

    // A folder that cannot take the file: the system's temporary folder.
    Dialogue.DossierTemporaire = Dossier.filePath(QStringLiteral("inexistant"));
    Qualite()->setValue(Qualite()->value() == 40 ? 41 : 40);
    EXPECT_EQ(QFileInfo(Dialogue.DernierFichierTemporaire()).absolutePath(),
              QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(Dialogue.DernierFichierTemporaire()));
}

// A picture larger than the screen scrolls in the preview: the dialog stays
// within the screen with room above it for its title bar, and its buttons
// can be reached.
TEST_F(ExportationJpeg, GrandeImageDansLEcran)
{
    const QImage photo(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    Dialogue.Initialiser(photo.convertToFormat(QImage::Format_BGR888));
    Dialogue.show();
    const QRect zone = Dialogue.screen()->availableGeometry();
    ASSERT_LT(zone.height(), photo.height() + 120) << "the screen must be smaller than the dialog would be";
    const QRect client = Dialogue.geometry();
    EXPECT_GE(client.top(), zone.top() + 20);
    EXPECT_LE(client.bottom(), zone.bottom());
    EXPECT_GE(client.left(), zone.left());
    EXPECT_LE(client.right(), zone.right());
    const QPushButton* exporter = Dialogue.findChild<QPushButton*>(QStringLiteral("BtnExporter"));
    EXPECT_LE(exporter->geometry().bottom(), client.height());
    EXPECT_LE(exporter->geometry().right(), client.width());
    Dialogue.hide();
}
