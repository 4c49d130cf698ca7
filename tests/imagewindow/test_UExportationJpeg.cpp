#include "PDialogues.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UExportationJpeg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QImage Image(int l, int h)
{
    QImage image(l, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x) {
            const int detail = ((x / 2 + y / 3) % 2) * 50;
            image.setPixel(x, y, qRgb((x * 200) / l + detail, (y * 200) / h + detail, 60 + detail));
        }
    return image;
}

QStringList FichiersTemporaires(const QString& dossier)
{
    return QDir(dossier).entryList({QStringLiteral("~expjpeg*")}, QDir::Files | QDir::Hidden);
}

class ExportationJpeg : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        Dialogue.DossierTemporaire = Dossier.path();
    }
    QSlider* Qualite() { return Dialogue.findChild<QSlider*>(QStringLiteral("TrckBrQualite")); }
    QString Libelle(const char* nom) { return Dialogue.findChild<QLabel*>(QString::fromLatin1(nom))->text(); }
    // Presses "Exporter", the save dialog answered with `nom` (empty: cancelled).
    void Exporter(const QString& nom)
    {
        TRepondeurTest repondeur([nom](const TDemandeDialogue& d) {
            TReponseDialogue r;
            if (d.Genre == TGenreDemande::EnregistrerFichier && !nom.isEmpty())
                r.Fichiers = QStringList{nom};
            return r;
        });
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnExporter")), Qt::LeftButton);
    }

    QTemporaryDir Dossier;
    TExportationJpeg Dialogue;
};
} // namespace

TEST(ExportationJpegTexte, TailleEnKo)
{
    EXPECT_EQ(TExportationJpeg::TexteTaille(123456), QStringLiteral("123 Ko (123456 octets)"));
    EXPECT_EQ(TExportationJpeg::TexteTaille(999), QStringLiteral("0 Ko (999 octets)"));
    EXPECT_EQ(TExportationJpeg::TexteTaille(1000), QStringLiteral("1 Ko (1000 octets)"));
}

TEST_F(ExportationJpeg, QualiteEtTailleAffichees)
{
    Qualite()->setValue(100);
    Dialogue.Initialiser(Image(160, 120));
    EXPECT_EQ(Libelle("LblValeurQualite"), QStringLiteral("100 %"));
    const int64_t a100 = Dialogue.TailleFichierPrevisualisation();
    EXPECT_EQ(Libelle("LblTailleFichier"), TExportationJpeg::TexteTaille(a100));
    Qualite()->setValue(50);
    EXPECT_EQ(Libelle("LblValeurQualite"), QStringLiteral("50 %"));
    const int64_t a50 = Dialogue.TailleFichierPrevisualisation();
    EXPECT_LT(a50, a100);
    EXPECT_EQ(Libelle("LblTailleFichier"), TExportationJpeg::TexteTaille(a50));
    Qualite()->setValue(1);
    EXPECT_LT(Dialogue.TailleFichierPrevisualisation(), a50);
    // The preview shows the picture at 1:1.
    EXPECT_EQ(Dialogue.findChild<QLabel*>(QStringLiteral("ImgPrevisualisation"))->size(), QSize(160, 120));
    EXPECT_TRUE(FichiersTemporaires(Dossier.path()).isEmpty());
}

TEST_F(ExportationJpeg, ExportLuParDjpegEtPillow)
{
    Qualite()->setValue(75);
    Dialogue.Initialiser(Image(97, 61));
    const int64_t apercu = Dialogue.TailleFichierPrevisualisation();
    Dialogue.show();
    // A name typed without extension gets ".jpg".
    Exporter(Dossier.filePath(QStringLiteral("export")));
    const QString nom = Dossier.filePath(QStringLiteral("export.jpg"));
    ASSERT_TRUE(QFileInfo::exists(nom));
    EXPECT_TRUE(Dialogue.Exporte);
    EXPECT_EQ(Dialogue.result(), QDialog::Accepted);
    EXPECT_FALSE(Dialogue.isVisible());
    EXPECT_TRUE(Dialogue.BitmapAExporter.isNull());
    EXPECT_EQ(QFileInfo(nom).size(), apercu);

    QString sortie;
    ASSERT_EQ(LancerProgramme(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), QStringLiteral("-outfile"),
                                                         Dossier.filePath(QStringLiteral("x.pnm")), nom}),
              0);
    QFile pnm(Dossier.filePath(QStringLiteral("x.pnm")));
    ASSERT_TRUE(pnm.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pnm.read(10).startsWith("P6\n97 61"));
    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral("-c"),
                               QStringLiteral("import sys; from PIL import Image; i = Image.open(sys.argv[1]); "
                                              "i.load(); print(i.format, i.size[0], i.size[1])"),
                               nom},
                              &sortie),
              0);
    EXPECT_EQ(sortie.trimmed(), QStringLiteral("JPEG 97 61"));
}

TEST_F(ExportationJpeg, AnnulerLeChoixDuFichierLaisseLeDialogueOuvert)
{
    Dialogue.Initialiser(Image(20, 20));
    Dialogue.show();
    Exporter(QString());
    EXPECT_TRUE(Dialogue.isVisible());
    EXPECT_FALSE(Dialogue.Exporte);
    QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnAnnuler")), Qt::LeftButton);
    EXPECT_FALSE(Dialogue.isVisible());
    EXPECT_EQ(Dialogue.result(), QDialog::Rejected);
    EXPECT_FALSE(Dialogue.Exporte);

    // An export that cannot be written reports the error and exports nothing.
    Dialogue.Initialiser(Image(20, 20));
    Dialogue.show();
    {
        TRepondeurTest repondeur([this](const TDemandeDialogue& d) {
            TReponseDialogue r;
            if (d.Genre == TGenreDemande::EnregistrerFichier)
                r.Fichiers = QStringList{Dossier.filePath(QStringLiteral("absent/x.jpg"))};
            return r;
        });
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnExporter")), Qt::LeftButton);
        EXPECT_EQ(Dialogues::Journal().back().Genre, TGenreDemande::Erreur);
    }
    EXPECT_FALSE(Dialogue.Exporte);
    EXPECT_TRUE(Dialogue.isVisible());
    Dialogue.hide();
}

TEST_F(ExportationJpeg, FichierTemporaire)
{
    // An existing ~expjpeg001jpg is skipped and left alone.
    const QString premier = Dossier.filePath(QStringLiteral("~expjpeg001jpg"));
    {
        QFile f(premier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("autre");
    }
    Dialogue.Initialiser(Image(30, 30));
    EXPECT_EQ(QFileInfo(Dialogue.DernierFichierTemporaire()).fileName(), QStringLiteral("~expjpeg002jpg"));
    EXPECT_EQ(FichiersTemporaires(Dossier.path()), QStringList{QStringLiteral("~expjpeg001jpg")});
    QFile f(premier);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("autre"));

    // A folder that cannot take the file: the system's temporary folder.
    Dialogue.DossierTemporaire = Dossier.filePath(QStringLiteral("inexistant"));
    Qualite()->setValue(Qualite()->value() == 40 ? 41 : 40);
    EXPECT_EQ(QFileInfo(Dialogue.DernierFichierTemporaire()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(Dialogue.DernierFichierTemporaire()));
    EXPECT_GT(Dialogue.TailleFichierPrevisualisation(), 0);
}
