// Batch save of a selection: names, the seven checks, the overwrite
// confirmation, the refusal of runs that would write over their own sources,
// failures reported and counted, and the files checked by cmp, Pillow,
// astropy, numpy, fitsverify, djpeg and pdftotext.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UEnregistrementSelection.h"
#include "UParametres.h"

#include <QFileInfo>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

using G = TGenreEnregistrement;
using C = TConversionImages;

bool Identiques(const QString& a, const QString& b) { return LancerProgramme(QStringLiteral("/usr/bin/cmp"), {a, b}) == 0; }

QList<TFichierSelection> Liste(const QStringList& noms, const QString& dossier = QStringLiteral("/src/"))
{
    QList<TFichierSelection> l;
    for (const QString& n : noms)
        l << TFichierSelection{n, dossier, true};
    return l;
}

TEST(NomsEnregistrement, IndicesNomsEtGenres)
{
    // Zeros pad to the width of the last index, 64-bit.
    const std::tuple<int64_t, int64_t, bool, const char*> indices[] = {
        {1, 3, true, "1"},   {1, 12, true, "01"}, {12, 12, true, "12"}, {1, 120, true, "001"},
        {8, 12, false, "8"}, {0, 5, true, "0"},   {2147483648LL, 2147483648LL, false, "2147483648"},
        {5, 2147483648LL, true, "0000000005"}};
    for (const auto& [indice, dernier, zeros, texte] : indices)
        EXPECT_EQ(TexteIndice(indice, dernier, zeros), QString::fromLatin1(texte)) << texte;

    TReglagesEnregistrement r;
    r.Dossier = QStringLiteral("/dst");
    r.Entete = QStringLiteral("img");
    r.Zeros = true;
    r.Depart = r.Increment = 5;
    const auto t = PlanifierEnregistrement(Liste({"a.fit", "b.fit", "m42.b.FIT"}), r);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ((QStringList{t[0].Source, t[0].Destination, t[1].Destination, t[2].Destination}),
              (QStringList{"/src/a.fit", "/dst/img05.fit", "/dst/img10.fit", "/dst/img15.b.FIT"}));
    // Kinds by the last extension, any case: FIT to Fit is a copy.
    r.Conversion = true;
    const std::tuple<int, const char*, G> genres[] = {
        {C::FormatFit, "m42.v2.fit", G::Copie}, {C::FormatFit, "m42.FIT", G::Copie}, {C::FormatFit, "p.bmp", G::Fit},
        {C::FormatFit, "notes.txt", G::Fit},    {C::FormatBmp, "m42.v2.fit", G::Bmp}, {C::FormatBmp, "p.BMP", G::Copie}};
    for (const auto& [format, nom, genre] : genres) {
        r.Format = format;
        EXPECT_EQ(PlanifierEnregistrement(Liste({nom}), r).front().Genre, genre) << nom;
    }
}

// ---------------------------------------------------------------------------
// The dialog, as the viewer shows it
// ---------------------------------------------------------------------------

class TEnregistrementDialogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
            Vus.push_back(d);
            TReponseDialogue r;
            r.Resultat = mrOk;
            if (d.Genre == TGenreDemande::Modal && d.NomObjet == QLatin1String("TConfirmationFichiers")) {
                Confirmes = ConfirmationFichiers->FichiersListes();
                Message = ConfirmationFichiers->findChild<QLabel*>(QStringLiteral("LblMessage"))->text();
                r.Resultat = Confirmer ? mrOk : mrCancel;
            } else if (d.Genre == TGenreDemande::Modal && d.NomObjet == QLatin1String("TConversionImages")) {
                r.Resultat = Conversion ? Conversion(*ConversionImages) : mrCancel;
            } else if (d.Genre == TGenreDemande::EnregistrerFichier) {
                r.Fichiers = QStringList{AEnregistrer};
            }
            return r;
        });
        if (!ConfirmationFichiers)
            ConfirmationFichiers = new TConfirmationFichiers;
        if (!ConversionImages)
            ConversionImages = new TConversionImages;
        Dialogue = std::make_unique<TEnregistrementSelection>();
        Source = Dossier.filePath(QStringLiteral("source/"));
        Destination = Dossier.filePath(QStringLiteral("destination"));
        QDir().mkpath(Source);
        QDir().mkpath(Destination);
    }
    void TearDown() override
    {
        Dialogue.reset();
        Repondeur.reset();
    }

    template <class T = QWidget> T* Enfant(const char* nom)
    {
        T* w = Dialogue->findChild<T*>(QString::fromLatin1(nom));
        EXPECT_NE(w, nullptr) << nom;
        return w;
    }
    QString Copier(const QString& donnee, const QString& nom)
    {
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), Source + nom));
        return Source + nom;
    }
    // The viewer's hand-over, then the dialog as the user fills it.
    void Montrer(const QList<TFichierSelection>& liste, const QString& entete, const QString& depart = "1",
                 bool zeros = false)
    {
        Dialogue->Initialiser(liste, Destination);
        Dialogue->show();
        QApplication::processEvents();
        Enfant<QLineEdit>("EdtDossier")->setText(Destination);
        Enfant<QLineEdit>("EdtEntete")->setText(entete);
        Enfant<QLineEdit>("EdtDepart")->setText(depart);
        Enfant<QLineEdit>("EdtIncrement")->setText(QStringLiteral("1"));
        Enfant<QCheckBox>("ChckBx000")->setChecked(zeros);
    }
    // Ticks "Conversion" and answers the options dialog.
    void Convertir(int format, int couleurs = 0, const QString& qualite = "100")
    {
        Conversion = [=](TConversionImages& c) {
            c.findChild<QComboBox*>(QStringLiteral("CmbBxFormat"))->setCurrentIndex(format);
            c.findChild<QComboBox*>(QStringLiteral("CmbBxCouleurs"))->setCurrentIndex(couleurs);
            c.findChild<QLineEdit*>(QStringLiteral("EdtQualite"))->setText(qualite);
            c.findChild<QPushButton*>(QStringLiteral("BtnOk"))->click();
            return mrOk;
        };
        QCheckBox* boite = Enfant<QCheckBox>("ChckBxConversion");
        if (boite->isChecked())
            boite->click();
        boite->click();
    }
    void OK() { QTest::mouseClick(Enfant<QPushButton>("BtnOK"), Qt::LeftButton); }
    QString Rapport() { return Enfant<QTextEdit>("RchEdtProgression")->toPlainText(); }
    QString Dest(const QString& nom) { return Destination + QLatin1Char('/') + nom; }
    // Colour of the report's text that starts with the given words.
    QColor CouleurDe(const QString& debut)
    {
        QTextDocument* doc = Enfant<QTextEdit>("RchEdtProgression")->document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().text().startsWith(debut))
                    return it.fragment().charFormat().foreground().color();
        return {};
    }

    QTemporaryDir Dossier;
    QString Source, Destination, AEnregistrer;
    std::unique_ptr<TRepondeurTest> Repondeur;
    std::unique_ptr<TEnregistrementSelection> Dialogue;
    std::vector<TDemandeDialogue> Vus;
    QStringList Confirmes;
    QString Message;
    bool Confirmer = true;
    std::function<int(TConversionImages&)> Conversion;
};

TEST_F(TEnregistrementDialogue, LesSeptControlesDansLOrdre)
{
    Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("a.fit"));
    // The edit cleared or set (none: the only file unticked), the message, the control given the focus.
    const struct {
        const char* Edit;
        QString Texte, Message;
        const char* Focus;
    } cas[] = {
        {nullptr, {}, "La liste ne contient pas d'images à enregistrer.", "CmbBxImages"},
        {"EdtDossier", {}, "Le dossier de destination n'est pas renseigné.", "BtBtnDossier"},
        {"EdtDossier", Dest("non"), "Le dossier '" + Dest("non") + "' n'existe pas.", "BtBtnDossier"},
        {"EdtEntete", {}, "L'entête n'est pas renseignée.", "EdtEntete"},
        {"EdtDepart", {}, "La valeur départ n'est pas renseignée.", "EdtDepart"},
        {"EdtIncrement", {}, "La valeur incrément n'est pas renseignée.", "EdtIncrement"},
        {"EdtIncrement", "0", "La valeur incrément ne peut être égale à zéro.", nullptr},
        // A header holding a folder separator would write beside the folder.
        {"EdtEntete", "../esc_",
         "L'entête '../esc_' contient un séparateur de dossier ('/' ou '\\') : les images seraient enregistrées "
         "hors du dossier de destination.",
         "EdtEntete"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Message.toStdString());
        Montrer({TFichierSelection{"a.fit", Source, c.Edit != nullptr}}, "img");
        if (c.Edit)
            Enfant<QLineEdit>(c.Edit)->setText(c.Texte);
        Vus.clear();
        OK();
        ASSERT_EQ(Vus.size(), 1u);
        EXPECT_EQ(Vus[0].Texte, c.Message);
        EXPECT_TRUE(Enfant("Pnl1")->isVisible());
        EXPECT_TRUE(!c.Focus || Dialogue->focusWidget() == Enfant(c.Focus));
        EXPECT_TRUE(QDir(Destination).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(Dest("../esc_1.fit")));
        Dialogue->hide();
    }
    // The choice "Toutes" takes the unticked file too; the preview shows the names.
    Montrer({TFichierSelection{"a.fit", Source, false}}, "img");
    Enfant<QComboBox>("CmbBxImages")->setCurrentIndex(0);
    EXPECT_EQ(Enfant<QLabel>("SttcTxtNomsImages")->text(), QStringLiteral("Renommée(s) en img1.fit ..."));
}

TEST_F(TEnregistrementDialogue, CopiesIdentiquesRapportEtIndicesSur64Bits)
{
    const QStringList noms{"n1.fit", "n2.fit", "n3.fit", "m42.b.bmp"},
        copies{"img2147483646.fit", "img2147483647.fit", "img2147483648.fit", "img2147483649.b.bmp"};
    for (int i = 0; i < 4; ++i)
        Copier(i < 3 ? QStringLiteral("ngc1316_optical_i16.fits") : QStringLiteral("hubble_deep_field_24.bmp"), noms[i]);
    Montrer(Liste(noms, Source), "img", "2147483646", true);
    EXPECT_EQ(Enfant<QLabel>("SttcTxtNomsImages")->text(), "Renommée(s) en " + copies.join(' ') + " ...");
    OK();
    EXPECT_TRUE(Confirmes.isEmpty());
    QStringList attendu{QStringLiteral("Début de l'enregistrement ").leftJustified(80, QLatin1Char('-')), {}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Identiques(Source + noms[i], Dest(copies[i]))) << i;
        attendu << QStringLiteral("'%1' enregistré sous '%2'").arg(Source + noms[i], Dest(copies[i])) << QString();
    }
    attendu << QStringLiteral("Fin de l'enregistrement ").leftJustified(80, QLatin1Char('-'));
    EXPECT_EQ(Rapport(), attendu.join(QLatin1Char('\n')));
    EXPECT_EQ(CouleurDe(QStringLiteral("Début")), QColor(Qt::red));
    EXPECT_EQ(CouleurDe("'" + Dest(copies[0])), QColor(Qt::blue));
    EXPECT_EQ(CouleurDe("'" + Source), QColor(Qt::black));
    EXPECT_TRUE(Enfant("Pnl2")->isVisible());

    // Imprimer without a printer makes a PDF that pdftotext reads.
    AEnregistrer = Dossier.filePath(QStringLiteral("rapport.pdf"));
    QTest::mouseClick(Enfant<QPushButton>("BtnImprimer"), Qt::LeftButton);
    QString texte;
    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {AEnregistrer, QStringLiteral("-")}, &texte), 0);
    EXPECT_TRUE(texte.contains(QStringLiteral("Fin de l'enregistrement"))) << texte.toStdString();

    // "Terminé" closes; the next showing starts on the settings again.
    QTest::mouseClick(Enfant<QPushButton>("BtnTermine"), Qt::LeftButton);
    EXPECT_EQ(Dialogue->result(), QDialog::Accepted);
    Dialogue->show();
    EXPECT_TRUE(Enfant("Pnl1")->isVisible());
    EXPECT_EQ(Enfant<QLineEdit>("EdtEntete")->text(), QStringLiteral("img"));
}

TEST_F(TEnregistrementDialogue, ConversionsFitPlansBmpEtJpeg)
{
    Copier(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h24.bmp"));
    Copier(QStringLiteral("hubble_deep_field_8.bmp"), QStringLiteral("h8.bmp"));
    // A FIT file with its levels in the program's cards, 100 to 700.
    const QString niveaux = Source + "niveaux.fit";
    Python(QStringLiteral("cartes_niveaux"), {CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), niveaux, "100", "700"});
    // The mean of the planes; separate planes: three files for the colour
    // picture, one for the grey one; Bmp; Jpeg at 100 and 50.
    const struct {
        QStringList Noms;
        QString Entete;
        int Format, Couleurs;
        QString Qualite;
    } executions[] = {{{"h24.bmp"}, "moy", C::FormatFit, C::CouleursMoyenne, "100"},
                      {{"h24.bmp", "h8.bmp"}, "p.2_", C::FormatFit, C::CouleursPlansSepares, "100"},
                      {{"niveaux.fit"}, "b", C::FormatBmp, 0, "100"},
                      {{"niveaux.fit", "h24.bmp"}, "q100_", C::FormatJpeg, 0, "100"},
                      {{"niveaux.fit", "h24.bmp"}, "q50_", C::FormatJpeg, 0, "50"}};
    for (const auto& e : executions) {
        Montrer(Liste(e.Noms, Source), e.Entete);
        Convertir(e.Format, e.Couleurs, e.Qualite);
        OK();
        Dialogue->hide();
    }
    EXPECT_EQ(Enfant<QCheckBox>("ChckBxConversion")->text(), QStringLiteral("Conversion Jpeg"));
    EXPECT_FALSE(QFile::exists(Dest("p.2_1.fit")));
    // Each file against the peers: the grey mean and the planes of the colour
    // picture, the levels 100..700 of the FIT file within JPEG's losses.
    QStringList ecarts, images;
    for (const char* n : {"moy1", "p.2_1R", "p.2_1V", "p.2_1B", "p.2_2"})
        EXPECT_TRUE(AccepteParFitsverify(Dest(QStringLiteral("%1.fit").arg(n))));
    for (const char* plan : {"gris moy1", "0 p.2_1R", "1 p.2_1V", "2 p.2_1B"}) {
        const QStringList p = QString(plan).split(' ');
        ecarts << Python("ecart_fit", {Source + "h24.bmp", p[0], Dest(p[1] + ".fit")});
    }
    EXPECT_EQ(ecarts, QStringList(4, "0"));
    for (const auto& [n, limite] : {std::pair{"b1.bmp", 0.0}, std::pair{"q100_1.jpg", 1.5}, std::pair{"q50_1.jpg", 4.0}})
        EXPECT_LE(Python("ecart_moyen_rendu", {niveaux, "100", "700", Dest(n)}).toDouble(), limite) << n;
    for (const char* n : {"q100_2.jpg", "q50_2.jpg"})
        images << Python("image", {Dest(n)});
    EXPECT_EQ(images, QStringList(2, "JPEG RGB 1000 872"));
    EXPECT_LT(QFileInfo(Dest("q50_1.jpg")).size(), QFileInfo(Dest("q100_1.jpg")).size());
    for (const char* q : {"q100_1.jpg", "q50_1.jpg"})
        EXPECT_EQ(DecodeParDjpeg(Dest(q)).left(11), QByteArray("P5\n440 300\n"));

    // Cancel in the options unticks the box.
    Conversion = [](TConversionImages&) { return mrCancel; };
    QCheckBox* boite = Enfant<QCheckBox>("ChckBxConversion");
    boite->click(); // off
    boite->click();
    EXPECT_FALSE(boite->isChecked());
}

TEST_F(TEnregistrementDialogue, ConfirmationListeExactementLesFichiersExistants)
{
    Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("a.fit"));
    Copier(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h24.bmp"));
    Copier(QStringLiteral("hubble_deep_field_8.bmp"), QStringLiteral("h8.bmp"));
    for (const char* n : {"img1.fit", "img2.fit", "img2V.fit", "img3.fit", "img4.fit", "img4R.fit", "autre.fit"})
        EcrireFichierSur(Dest(QString::fromLatin1(n)), QByteArray("ancien"));
    // The missing file writes nothing: its name is not listed.
    Montrer(Liste({"a.fit", "h24.bmp", "h8.bmp", "absent.bmp"}, Source), "img");
    Convertir(TConversionImages::FormatFit, TConversionImages::CouleursPlansSepares);
    Confirmer = false;
    OK();
    EXPECT_EQ(Message, QStringLiteral("Les images suivantes vont être écrasées."));
    EXPECT_EQ(Confirmes, (QStringList{Dest("img1.fit"), Dest("img2V.fit"), Dest("img3.fit")}));
    // Annuler: nothing written, the settings stay.
    for (const char* n : {"img1.fit", "img2V.fit", "img3.fit"})
        EXPECT_EQ(LireFichierComplet(Dest(QString::fromLatin1(n))), QByteArray("ancien"));
    EXPECT_FALSE(QFile::exists(Dest("img2R.fit")));
    EXPECT_TRUE(Enfant("Pnl1")->isVisible());
    // Confirmer: overwritten, and the untouched names are still the old files.
    Confirmer = true;
    OK();
    EXPECT_TRUE(Identiques(Source + "a.fit", Dest("img1.fit")));
    EXPECT_NE(LireFichierComplet(Dest("img2V.fit")), QByteArray("ancien"));
    for (const char* n : {"img2.fit", "img4.fit", "img4R.fit"})
        EXPECT_EQ(LireFichierComplet(Dest(QString::fromLatin1(n))), QByteArray("ancien")) << n;
}

TEST_F(TEnregistrementDialogue, UneExecutionNEcrasePasSesSources)
{
    // img1..img3 renumbered in place from 2: img2 and img3 would be written
    // before being read.
    const QStringList noms{"img1.fit", "img2.fit", "img3.fit"},
        donnees{"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits"};
    for (int i = 0; i < 3; ++i)
        Copier(donnees[i], noms[i]);
    Montrer(Liste(noms, Source), "img", "2");
    ASSERT_TRUE(QFile::link(Source, Dossier.filePath(QStringLiteral("lien"))));
    // The folder however it is spelled: as it is, through "..", through a link.
    for (const QString& dossier : {Source.chopped(1), Source + QStringLiteral("../source"), Dossier.filePath("lien")}) {
        Enfant<QLineEdit>("EdtDossier")->setText(dossier);
        Vus.clear();
        OK();
        ASSERT_EQ(Vus.size(), 1u);
        EXPECT_EQ(Vus[0].Genre, TGenreDemande::Information);
        EXPECT_TRUE(Vus[0].Texte.contains("'" + dossier + "/img2.fit'")) << Vus[0].Texte.toStdString();
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(Identiques(CheminDonnees(donnees[i]), Source + noms[i])) << i;
        EXPECT_FALSE(QFile::exists(Source + "img4.fit"));
    }
}

TEST_F(TEnregistrementDialogue, EchecsSignalesEnRougeEtLaSuiteContinue)
{
    Copier(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("bon.fit"));
    EcrireFichierSur(Source + "notes.txt", QByteArray("texte"));
    EcrireFichierSur(Dest("img1.jpg"), QByteArray("ancien"));
    Montrer(Liste({"absent.fit", "bon.fit", "notes.txt"}, Source), "img");
    Convertir(TConversionImages::FormatJpeg);
    OK();
    const QString r = Rapport();
    EXPECT_TRUE(r.contains("'" + Source + "bon.fit' enregistré sous '" + Dest("img2.jpg"))) << r.toStdString();
    EXPECT_TRUE(r.contains(QStringLiteral("n'est ni une image Fit ni une image Bmp.")));
    EXPECT_TRUE(r.contains(QStringLiteral("\n2 erreur(s).\n")));
    EXPECT_EQ(CouleurDe(QStringLiteral("2 erreur(s).")), QColor(Qt::red));
    EXPECT_EQ(CouleurDe(QStringLiteral("(2) Erreur d'enregistrement.")), QColor(Qt::red));
    EXPECT_EQ(Dialogue->NombreErreurs(), 2);
    EXPECT_EQ(LireFichierComplet(Dest("img1.jpg")), QByteArray("ancien")); // the failure kept the old file
    EXPECT_FALSE(QFile::exists(Dest("img3.jpg")));
    EXPECT_EQ(std::tuple(Enfant("BtnTermine")->isEnabled(), Enfant("BtnImprimer")->isEnabled()),
              std::tuple(true, true));

    const QByteArray captures = qgetenv("STELOR_CAPTURES");
    if (!captures.isEmpty()) {
        Dialogue->resize(700, 480);
        QApplication::processEvents();
        EXPECT_TRUE(Dialogue->grab().save(QString::fromLocal8Bit(captures) + QStringLiteral("/rapport.png")));
    }
}

} // namespace
