// Batch save of a selection: names, the seven checks, the overwrite
// confirmation, the refusal of runs that would write over their own sources,
// failures reported and counted, and the files checked by cmp, Pillow,
// astropy, numpy, fitsverify, djpeg and pdftotext.
#include "PDialogues.h"
#include "Soutien.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UEnregistrementSelection.h"
#include "UParametres.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

::testing::AssertionResult Peer(const QString& script, const QStringList& arguments)
{
    QTemporaryDir dossier;
    const QString nom = dossier.path() + QStringLiteral("/verifier.py");
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly))
        return ::testing::AssertionFailure() << "script";
    f.write(script.toUtf8());
    f.close();
    QString sortie;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"), QStringList{nom} + arguments, &sortie, 120000);
    if (code == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "code " << code << ": " << sortie.toStdString();
}

::testing::AssertionResult VerifieParFitsverify(const QString& nom)
{
    QString rapport;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {nom}, &rapport);
    if (code >= 0 && rapport.contains(QStringLiteral(" and 0 error(s).")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << rapport.toStdString();
}

bool Identiques(const QString& a, const QString& b)
{
    return LancerProgramme(QStringLiteral("/usr/bin/cmp"), {a, b}) == 0;
}

QByteArray Contenu(const QString& nom)
{
    QFile f(nom);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <class T>
T* Enfant(QWidget& fenetre, const char* nom)
{
    T* w = fenetre.findChild<T*>(QString::fromLatin1(nom));
    EXPECT_NE(w, nullptr) << nom;
    return w;
}

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

TEST(NomsEnregistrement, IndicesExtensionsEtPlans)
{
    struct {
        int64_t indice, dernier;
        bool zeros;
        const char* attendu;
    } indices[] = {
        {1, 3, true, "1"},          {1, 12, true, "01"},          {12, 12, true, "12"},
        {1, 120, true, "001"},      {8, 12, true, "08"},          {8, 12, false, "8"},
        {0, 5, true, "0"},          {2147483648LL, 2147483648LL, false, "2147483648"},
        {5, 2147483648LL, true, "0000000005"},
    };
    for (const auto& c : indices)
        EXPECT_EQ(TexteIndice(c.indice, c.dernier, c.zeros), QString::fromLatin1(c.attendu)) << c.attendu;

    TReglagesEnregistrement copie;
    TReglagesEnregistrement jpeg;
    jpeg.Conversion = true;
    jpeg.Format = TConversionImages::FormatJpeg;
    EXPECT_EQ(ExtensionDestination(QStringLiteral("m42.b.fit"), copie), QStringLiteral("b.fit"));
    EXPECT_EQ(ExtensionDestination(QStringLiteral("M42.FIT"), copie), QStringLiteral("FIT"));
    EXPECT_EQ(ExtensionDestination(QStringLiteral("m42.b.fit"), jpeg), QStringLiteral("jpg"));
    EXPECT_EQ(NomsPlans(QStringLiteral("/d/m42.v2_1.fit")),
              (QStringList{QStringLiteral("/d/m42.v2_1R.fit"), QStringLiteral("/d/m42.v2_1V.fit"),
                           QStringLiteral("/d/m42.v2_1B.fit")}));
    EXPECT_EQ(NomsPlans(QStringLiteral("/d/img001.fit")).first(), QStringLiteral("/d/img001R.fit"));
}

QList<TFichierSelection> Liste(const QStringList& noms, const QString& dossier = QStringLiteral("/src/"))
{
    QList<TFichierSelection> l;
    for (const QString& n : noms)
        l << TFichierSelection{n, dossier, true};
    return l;
}

QStringList Destinations(const std::vector<TTacheEnregistrement>& taches)
{
    QStringList d;
    for (const auto& t : taches)
        d << NomFichierSansChemin(t.Destination);
    return d;
}

TEST(NomsEnregistrement, PlanificationDesNoms)
{
    TReglagesEnregistrement r;
    r.Dossier = QStringLiteral("/dst");
    r.Entete = QStringLiteral("img");
    r.Zeros = true;
    EXPECT_EQ(Destinations(PlanifierEnregistrement(Liste({"a.fit", "b.fit", "c.fit"}), r)),
              (QStringList{"img1.fit", "img2.fit", "img3.fit"}));
    QStringList douze, attendus;
    for (int i = 1; i <= 12; ++i) {
        douze << QStringLiteral("x%1.fit").arg(i);
        attendus << QStringLiteral("img%1.fit").arg(i, 2, 10, QLatin1Char('0'));
    }
    const auto taches = PlanifierEnregistrement(Liste(douze), r);
    EXPECT_EQ(Destinations(taches), attendus);
    EXPECT_EQ(taches.front().Destination, QStringLiteral("/dst/img01.fit"));
    EXPECT_EQ(taches.front().Source, QStringLiteral("/src/x1.fit"));

    r.Zeros = false;
    r.Depart = 10;
    r.Increment = 5;
    EXPECT_EQ(Destinations(PlanifierEnregistrement(Liste({"a.fit", "b.fit", "m42.b.fit"}), r)),
              (QStringList{"img10.fit", "img15.fit", "img20.b.fit"}));
    // 64-bit indexes: never a negative name.
    r.Depart = 2147483647;
    r.Increment = 1;
    EXPECT_EQ(Destinations(PlanifierEnregistrement(Liste({"a.fit", "b.fit"}), r)),
              (QStringList{"img2147483647.fit", "img2147483648.fit"}));

    // Kinds by the last extension, any case: FIT to Fit is a copy.
    r.Depart = 1;
    r.Conversion = true;
    r.Format = TConversionImages::FormatFit;
    const auto fit = PlanifierEnregistrement(Liste({"m42.v2.fit", "m42.FIT", "p.bmp", "notes.txt"}), r);
    EXPECT_EQ(fit[0].Genre, TGenreEnregistrement::Copie);
    EXPECT_EQ(fit[1].Genre, TGenreEnregistrement::Copie);
    EXPECT_EQ(fit[2].Genre, TGenreEnregistrement::Fit);
    EXPECT_EQ(fit[3].Genre, TGenreEnregistrement::Fit);
    EXPECT_EQ(NomFichierSansChemin(fit[0].Destination), QStringLiteral("img1.fit"));
    r.Format = TConversionImages::FormatBmp;
    const auto bmp = PlanifierEnregistrement(Liste({"m42.v2.fit", "p.BMP"}), r);
    EXPECT_EQ(bmp[0].Genre, TGenreEnregistrement::Bmp);
    EXPECT_EQ(bmp[1].Genre, TGenreEnregistrement::Copie);
}

TEST(NomsEnregistrement, PlansSeparesSelonLaProfondeur)
{
    TReglagesEnregistrement r;
    r.Dossier = QStringLiteral("/dst");
    r.Entete = QStringLiteral("m42.v2_");
    r.Conversion = true;
    r.Couleurs = TConversionImages::CouleursPlansSepares;
    const auto t = PlanifierEnregistrement(
        Liste({"hubble_deep_field_24.bmp", "hubble_deep_field_8.bmp", "absent.bmp"}, CheminDonnees({})), r);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].Genre, TGenreEnregistrement::PlansFit);
    EXPECT_EQ(t[0].Ecrits, (QStringList{"/dst/m42.v2_1R.fit", "/dst/m42.v2_1V.fit", "/dst/m42.v2_1B.fit"}));
    EXPECT_EQ(t[1].Ecrits, QStringList{"/dst/m42.v2_2.fit"});
    EXPECT_TRUE(t[2].Ecrits.isEmpty()); // unreadable: fails before writing
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
            } else if (d.Genre == TGenreDemande::Dossier) {
                r.Fichiers = QStringList{Destination};
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

    QString Copier(const QString& donnee, const QString& nom)
    {
        const QString cible = Source + nom;
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), cible));
        QFile(cible).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return cible;
    }
    // The viewer's hand-over, then the dialog as the user fills it.
    void Montrer(const QList<TFichierSelection>& liste, const QString& entete, const QString& depart = "1",
                 const QString& increment = "1", bool zeros = false)
    {
        Dialogue->Initialiser(liste, Destination);
        Dialogue->show();
        QApplication::processEvents();
        Enfant<QLineEdit>(*Dialogue, "EdtDossier")->setText(Destination);
        Enfant<QLineEdit>(*Dialogue, "EdtEntete")->setText(entete);
        Enfant<QLineEdit>(*Dialogue, "EdtDepart")->setText(depart);
        Enfant<QLineEdit>(*Dialogue, "EdtIncrement")->setText(increment);
        Enfant<QCheckBox>(*Dialogue, "ChckBx000")->setChecked(zeros);
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
        QCheckBox* boite = Enfant<QCheckBox>(*Dialogue, "ChckBxConversion");
        if (boite->isChecked())
            boite->click();
        boite->click();
    }
    void OK() { QTest::mouseClick(Enfant<QPushButton>(*Dialogue, "BtnOK"), Qt::LeftButton); }
    QString Rapport() { return Enfant<QTextEdit>(*Dialogue, "RchEdtProgression")->toPlainText(); }
    QString Dest(const QString& nom) { return Destination + QLatin1Char('/') + nom; }
    int Informations(const QString& texte)
    {
        int n = 0;
        for (const auto& d : Vus)
            n += d.Genre == TGenreDemande::Information && d.Texte == texte;
        return n;
    }
    // Colour of the report's text that starts with the given words.
    QColor CouleurDe(const QString& debut)
    {
        QTextDocument* doc = Enfant<QTextEdit>(*Dialogue, "RchEdtProgression")->document();
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
    const QString a = Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("a.fit"));
    struct TCas {
        const char* nom;
        std::function<void()> preparer;
        QString message;
        const char* focus;
    } cas[] = {
        {"aucune cochée",
         [&] {
             Dialogue->hide();
             Dialogue->Initialiser({TFichierSelection{"a.fit", Source, false}}, Destination);
             Dialogue->show();
             Enfant<QLineEdit>(*Dialogue, "EdtEntete")->setText("img");
         },
         "La liste ne contient pas d'images à enregistrer.", "CmbBxImages"},
        {"dossier vide", [&] { Enfant<QLineEdit>(*Dialogue, "EdtDossier")->clear(); },
         "Le dossier de destination n'est pas renseigné.", "BtBtnDossier"},
        {"dossier absent", [&] { Enfant<QLineEdit>(*Dialogue, "EdtDossier")->setText(Dest("non")); },
         "Le dossier '" + Dest("non") + "' n'existe pas.", "BtBtnDossier"},
        {"entête vide", [&] { Enfant<QLineEdit>(*Dialogue, "EdtEntete")->clear(); },
         "L'entête n'est pas renseignée.", "EdtEntete"},
        {"départ vide", [&] { Enfant<QLineEdit>(*Dialogue, "EdtDepart")->clear(); },
         "La valeur départ n'est pas renseignée.", "EdtDepart"},
        {"incrément vide", [&] { Enfant<QLineEdit>(*Dialogue, "EdtIncrement")->clear(); },
         "La valeur incrément n'est pas renseignée.", "EdtIncrement"},
        {"incrément nul", [&] { Enfant<QLineEdit>(*Dialogue, "EdtIncrement")->setText("0"); },
         "La valeur incrément ne peut être égale à zéro.", nullptr},
    };
    for (const TCas& c : cas) {
        SCOPED_TRACE(c.nom);
        Montrer({TFichierSelection{"a.fit", Source, true}}, "img");
        c.preparer();
        Vus.clear();
        OK();
        EXPECT_EQ(Informations(c.message), 1);
        EXPECT_TRUE(Enfant<QWidget>(*Dialogue, "Pnl1")->isVisible());
        if (c.focus) {
            EXPECT_EQ(Dialogue->focusWidget(), Enfant<QWidget>(*Dialogue, c.focus));
        }
        EXPECT_EQ(QDir(Destination).entryList(QDir::Files).size(), 0);
        Dialogue->hide();
    }
    // The choice "Toutes" takes the unticked file too; the preview shows the names.
    Dialogue->Initialiser({TFichierSelection{"a.fit", Source, false}}, Destination);
    Dialogue->show();
    Enfant<QComboBox>(*Dialogue, "CmbBxImages")->setCurrentIndex(0);
    Enfant<QLineEdit>(*Dialogue, "EdtEntete")->setText("img");
    EXPECT_EQ(Enfant<QTreeWidget>(*Dialogue, "LstVwImages")->topLevelItemCount(), 1);
    EXPECT_EQ(Enfant<QLabel>(*Dialogue, "SttcTxtNomsImages")->text(), QStringLiteral("Renommée(s) en img1.fit ..."));
}

TEST_F(TEnregistrementDialogue, CopiesIdentiquesEtRapport)
{
    QStringList noms;
    for (int i = 1; i <= 3; ++i)
        Copier(QStringLiteral("ngc1316_optical_i16.fits"), noms.emplace_back(QStringLiteral("n%1.fit").arg(i)));
    Copier(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("m42.b.bmp"));
    noms << QStringLiteral("m42.b.bmp");
    Montrer(Liste(noms, Source), "img", "1", "1", true);
    EXPECT_EQ(Enfant<QLabel>(*Dialogue, "SttcTxtNomsImages")->text(),
              QStringLiteral("Renommée(s) en img1.fit img2.fit img3.fit img4.b.bmp ..."));
    Vus.clear();
    OK();
    EXPECT_TRUE(Confirmes.isEmpty());
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(Identiques(Source + noms[i - 1], Dest(QStringLiteral("img%1.fit").arg(i))));
    EXPECT_TRUE(Identiques(Source + QStringLiteral("m42.b.bmp"), Dest(QStringLiteral("img4.b.bmp"))));
    QStringList attendu{QStringLiteral("Début de l'enregistrement ").leftJustified(80, QLatin1Char('-')), {}};
    for (int i = 1; i <= 4; ++i)
        attendu << QStringLiteral("'%1' enregistré sous '%2'")
                       .arg(Source + noms[i - 1], Dest(i < 4 ? QStringLiteral("img%1.fit").arg(i) : "img4.b.bmp"))
                << QString();
    attendu << QStringLiteral("Fin de l'enregistrement ").leftJustified(80, QLatin1Char('-'));
    EXPECT_EQ(Rapport(), attendu.join(QLatin1Char('\n')));
    EXPECT_EQ(CouleurDe(QStringLiteral("Début")), QColor(Qt::red));
    EXPECT_EQ(CouleurDe(QStringLiteral("'") + Dest("img1.fit")), QColor(Qt::blue));
    EXPECT_EQ(CouleurDe(QStringLiteral("'") + Source), QColor(Qt::black));
    EXPECT_TRUE(Enfant<QPushButton>(*Dialogue, "BtnTermine")->isEnabled());
    EXPECT_TRUE(Enfant<QPushButton>(*Dialogue, "BtnImprimer")->isEnabled());
    EXPECT_TRUE(Enfant<QWidget>(*Dialogue, "Pnl2")->isVisible());

    // Imprimer without a printer makes a PDF that pdftotext reads.
    AEnregistrer = Dossier.filePath(QStringLiteral("rapport.pdf"));
    QTest::mouseClick(Enfant<QPushButton>(*Dialogue, "BtnImprimer"), Qt::LeftButton);
    QString texte;
    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {AEnregistrer, QStringLiteral("-")}, &texte), 0);
    EXPECT_TRUE(texte.contains(QStringLiteral("Fin de l'enregistrement"))) << texte.toStdString();

    // "Terminé" closes; the next showing starts on the settings again.
    QTest::mouseClick(Enfant<QPushButton>(*Dialogue, "BtnTermine"), Qt::LeftButton);
    EXPECT_EQ(Dialogue->result(), QDialog::Accepted);
    Dialogue->show();
    EXPECT_TRUE(Enfant<QWidget>(*Dialogue, "Pnl1")->isVisible());
    EXPECT_EQ(Enfant<QLineEdit>(*Dialogue, "EdtEntete")->text(), QStringLiteral("img"));
}

TEST_F(TEnregistrementDialogue, ConversionsFitPlansBmpEtJpeg)
{
    Copier(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h24.bmp"));
    Copier(QStringLiteral("hubble_deep_field_8.bmp"), QStringLiteral("h8.bmp"));
    // Mean of the planes.
    Montrer(Liste({"h24.bmp"}, Source), "moy");
    Convertir(TConversionImages::FormatFit);
    EXPECT_EQ(Enfant<QCheckBox>(*Dialogue, "ChckBxConversion")->text(), QStringLiteral("Conversion Fit"));
    OK();
    EXPECT_TRUE(VerifieParFitsverify(Dest("moy1.fit")));
    EXPECT_TRUE(Peer(QStringLiteral("import sys, numpy as np\nfrom astropy.io import fits\nfrom PIL import Image\n"
                                    "s = np.asarray(Image.open(sys.argv[1]).convert('RGB')).astype(np.int64)\n"
                                    "d = np.flipud(fits.getdata(sys.argv[2]).astype(np.int64))\n"
                                    "sys.exit(0 if (d == s.sum(axis=2) // 3).all() else 1)\n"),
                     {Source + "h24.bmp", Dest("moy1.fit")}));
    Dialogue->hide();

    // Separate planes: three files for the colour picture, one for the grey one.
    Montrer(Liste({"h24.bmp", "h8.bmp"}, Source), "p", "1", "1", true);
    Convertir(TConversionImages::FormatFit, TConversionImages::CouleursPlansSepares);
    OK();
    EXPECT_FALSE(QFile::exists(Dest("p1.fit")));
    for (const char* c : {"p1R.fit", "p1V.fit", "p1B.fit", "p2.fit"})
        EXPECT_TRUE(VerifieParFitsverify(Dest(QString::fromLatin1(c)))) << c;
    EXPECT_TRUE(Peer(QStringLiteral("import sys, numpy as np\nfrom astropy.io import fits\nfrom PIL import Image\n"
                                    "s = np.asarray(Image.open(sys.argv[1]).convert('RGB')).astype(np.int64)\n"
                                    "ok = all((np.flipud(fits.getdata(sys.argv[2 + c]).astype(np.int64)) == s[:, :, c]).all()"
                                    " for c in range(3))\n"
                                    "sys.exit(0 if ok else 1)\n"),
                     {Source + "h24.bmp", Dest("p1R.fit"), Dest("p1V.fit"), Dest("p1B.fit")}));
    Dialogue->hide();

    // FIT to Bmp and Jpeg at the file's levels (the program's cards).
    const QString niveaux = Source + QStringLiteral("niveaux.fit");
    ASSERT_TRUE(Peer(QStringLiteral("import sys\nfrom astropy.io import fits\n"
                                    "h = fits.open(sys.argv[1])\nhd = h[0].header\n"
                                    "hd['STL_SMIN'] = 100\nhd['STL_SMAX'] = 700\nhd['STL_TRFT'] = 0.0\n"
                                    "fits.writeto(sys.argv[2], h[0].data, hd, overwrite=True)\n"),
                     {CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), niveaux}));
    const QString rendu = QStringLiteral(
        "import sys, numpy as np\nfrom astropy.io import fits\nfrom PIL import Image\n"
        "v = np.rint(np.flipud(fits.getdata(sys.argv[1]).astype(np.float64))).astype(np.int64)\n"
        "r = np.where(v < 100, 0, np.where(v > 700, 255, (v - 100) * 255 // 600))\n"
        "s = np.asarray(Image.open(sys.argv[2]).convert('L')).astype(np.int64)\n"
        "e = np.abs(s - r).mean() if s.shape == r.shape else 999\nprint(s.shape, e)\n"
        "sys.exit(0 if e <= float(sys.argv[3]) else 1)\n");
    Montrer(Liste({"niveaux.fit"}, Source), "b");
    Convertir(TConversionImages::FormatBmp);
    OK();
    EXPECT_TRUE(Peer(rendu, {niveaux, Dest("b1.bmp"), "0"}));
    Dialogue->hide();
    for (const char* qualite : {"100", "50"}) {
        SCOPED_TRACE(qualite);
        const QString entete = QStringLiteral("q") + QString::fromLatin1(qualite) + QLatin1Char('_');
        Montrer(Liste({"niveaux.fit", "h24.bmp"}, Source), entete);
        Convertir(TConversionImages::FormatJpeg, 0, QString::fromLatin1(qualite));
        EXPECT_EQ(Enfant<QCheckBox>(*Dialogue, "ChckBxConversion")->text(), QStringLiteral("Conversion Jpeg"));
        OK();
        const QString jpeg = Dest(entete + QStringLiteral("1.jpg"));
        EXPECT_TRUE(Peer(rendu, {niveaux, jpeg, QString::fromLatin1(qualite) == "100" ? "1.5" : "4"}));
        QString sortie;
        EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/djpeg"),
                                  {QStringLiteral("-outfile"), Dossier.filePath("j.pgm"), jpeg}, &sortie),
                  0);
        EXPECT_TRUE(Contenu(Dossier.filePath("j.pgm")).startsWith("P5\n440 300\n"));
        EXPECT_TRUE(Peer(QStringLiteral("import sys\nfrom PIL import Image\ni = Image.open(sys.argv[1]); i.load()\n"
                                        "sys.exit(0 if i.size == (1000, 872) and i.mode == 'RGB' else 1)\n"),
                         {Dest(entete + QStringLiteral("2.jpg"))}));
        Dialogue->hide();
    }
    // Cancel in the options unticks the box.
    Montrer(Liste({"h8.bmp"}, Source), "x");
    Conversion = [](TConversionImages&) { return mrCancel; };
    QCheckBox* boite = Enfant<QCheckBox>(*Dialogue, "ChckBxConversion");
    if (boite->isChecked())
        boite->click();
    boite->click();
    EXPECT_FALSE(boite->isChecked());
    EXPECT_EQ(boite->text(), QStringLiteral("Conversion"));
}

TEST_F(TEnregistrementDialogue, ConfirmationListeExactementLesFichiersExistants)
{
    Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("a.fit"));
    Copier(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h24.bmp"));
    Copier(QStringLiteral("hubble_deep_field_8.bmp"), QStringLiteral("h8.bmp"));
    for (const char* n : {"img1.fit", "img2.fit", "img2V.fit", "img3.fit", "autre.fit"}) {
        QFile f(Dest(QString::fromLatin1(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ancien");
    }
    Montrer(Liste({"a.fit", "h24.bmp", "h8.bmp"}, Source), "img");
    Convertir(TConversionImages::FormatFit, TConversionImages::CouleursPlansSepares);
    Confirmer = false;
    OK();
    EXPECT_EQ(Message, QStringLiteral("Les images suivantes vont être écrasées."));
    EXPECT_EQ(Confirmes, (QStringList{Dest("img1.fit"), Dest("img2V.fit"), Dest("img3.fit")}));
    // Annuler: nothing written, the settings stay.
    for (const char* n : {"img1.fit", "img2V.fit", "img3.fit"})
        EXPECT_EQ(Contenu(Dest(QString::fromLatin1(n))), QByteArray("ancien"));
    EXPECT_FALSE(QFile::exists(Dest("img2R.fit")));
    EXPECT_TRUE(Enfant<QWidget>(*Dialogue, "Pnl1")->isVisible());
    // Confirmer: overwritten, and the untouched name is still the old file.
    Confirmer = true;
    OK();
    EXPECT_TRUE(Identiques(Source + "a.fit", Dest("img1.fit")));
    EXPECT_TRUE(VerifieParFitsverify(Dest("img2V.fit")));
    EXPECT_TRUE(VerifieParFitsverify(Dest("img3.fit")));
    EXPECT_EQ(Contenu(Dest("img2.fit")), QByteArray("ancien"));
}

TEST_F(TEnregistrementDialogue, UneExecutionNEcrasePasSesSources)
{
    // img1..img3 renumbered in place from 2: img2 and img3 would be written
    // before being read.
    QStringList noms{"img1.fit", "img2.fit", "img3.fit"};
    const QString donnees[] = {"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits"};
    for (int i = 0; i < 3; ++i)
        Copier(donnees[i], noms[i]);
    Dialogue->Initialiser(Liste(noms, Source), QString());
    Dialogue->show();
    Enfant<QLineEdit>(*Dialogue, "EdtDossier")->setText(Source.chopped(1));
    Enfant<QLineEdit>(*Dialogue, "EdtEntete")->setText("img");
    Enfant<QLineEdit>(*Dialogue, "EdtDepart")->setText("2");
    Vus.clear();
    OK();
    ASSERT_EQ(Vus.size(), 1u);
    EXPECT_EQ(Vus[0].Genre, TGenreDemande::Information);
    EXPECT_TRUE(Vus[0].Texte.contains(QStringLiteral("'") + Source + QStringLiteral("img2.fit'"))) << Vus[0].Texte.toStdString();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Identiques(CheminDonnees(donnees[i]), Source + noms[i])) << noms[i].toStdString();
    EXPECT_FALSE(QFile::exists(Source + "img4.fit"));
    // Through another spelling of the same folder too.
    Enfant<QLineEdit>(*Dialogue, "EdtDossier")->setText(Source + QStringLiteral("../source"));
    Vus.clear();
    OK();
    EXPECT_EQ(Vus.size(), 1u);
    EXPECT_FALSE(QFile::exists(Source + "img4.fit"));
}

TEST_F(TEnregistrementDialogue, EchecsSignalesEnRougeEtLaSuiteContinue)
{
    Copier(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("bon.fit"));
    QFile notes(Source + "notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("texte");
    notes.close();
    {
        QFile ancien(Dest("img1.jpg"));
        ASSERT_TRUE(ancien.open(QIODevice::WriteOnly));
        ancien.write("ancien");
    }
    Montrer(Liste({"absent.fit", "bon.fit", "notes.txt"}, Source), "img");
    Convertir(TConversionImages::FormatJpeg);
    OK();
    const QString r = Rapport();
    EXPECT_FALSE(r.contains(QStringLiteral("absent.fit' enregistré sous"))) << r.toStdString();
    EXPECT_FALSE(r.contains(QStringLiteral("notes.txt' enregistré sous")));
    EXPECT_TRUE(r.contains(QStringLiteral("'") + Source + QStringLiteral("bon.fit' enregistré sous '") + Dest("img2.jpg")));
    EXPECT_TRUE(r.contains(QStringLiteral("n'est ni une image Fit ni une image Bmp.")));
    EXPECT_TRUE(r.contains(QStringLiteral("\n2 erreur(s).\n")));
    EXPECT_EQ(CouleurDe(QStringLiteral("2 erreur(s).")), QColor(Qt::red));
    EXPECT_EQ(CouleurDe(QStringLiteral("(2) Erreur d'enregistrement.")), QColor(Qt::red));
    EXPECT_EQ(Dialogue->NombreErreurs(), 2);
    EXPECT_EQ(Contenu(Dest("img1.jpg")), QByteArray("ancien")); // the failure kept the old file
    EXPECT_TRUE(QFile::exists(Dest("img2.jpg")));
    EXPECT_FALSE(QFile::exists(Dest("img3.jpg")));
    EXPECT_TRUE(Enfant<QPushButton>(*Dialogue, "BtnTermine")->isEnabled());
    EXPECT_TRUE(Enfant<QPushButton>(*Dialogue, "BtnImprimer")->isEnabled());

    const QByteArray captures = qgetenv("STELOR_CAPTURES");
    if (!captures.isEmpty()) {
        Dialogue->resize(700, 480);
        QApplication::processEvents();
        EXPECT_TRUE(Dialogue->grab().save(QString::fromLocal8Bit(captures) + QStringLiteral("/rapport.png")));
    }
}

TEST_F(TEnregistrementDialogue, IndicesAuDelaDe32Bits)
{
    Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("a.fit"));
    Copier(QStringLiteral("m51_i16_256.fits"), QStringLiteral("b.fit"));
    Montrer(Liste({"a.fit", "b.fit"}, Source), "img", "2147483647");
    OK();
    EXPECT_TRUE(Identiques(Source + "a.fit", Dest("img2147483647.fit")));
    EXPECT_TRUE(Identiques(Source + "b.fit", Dest("img2147483648.fit")));
    // The folder button takes the chosen folder.
    Dialogue->hide();
    Dialogue->show();
    Enfant<QLineEdit>(*Dialogue, "EdtDossier")->clear();
    QTest::mouseClick(Enfant<QToolButton>(*Dialogue, "BtBtnDossier"), Qt::LeftButton);
    EXPECT_EQ(Enfant<QLineEdit>(*Dialogue, "EdtDossier")->text(), Destination);
}

} // namespace
