#include "PDialogues.h"
#include "PErreurs.h"
#include "Soutien.h"
#include "UCartesFit.h"
#include "UEcritureFit.h"
#include "UEnteteFit.h"
#include "UFit.h"
#include "UImages.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {
// Cards without their padding blanks, as one text: a failure prints readably.
std::string Texte(QStringList cartes)
{
    for (QString& carte : cartes)
        carte = carte.trimmed();
    return cartes.join(QLatin1Char('|')).toStdString();
}

const QString NoticeEnd = QStringLiteral("L'entête Fit doit se terminer par 'END', le mot clé va être rajouté.");

class EnteteFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        LireFichierFit(Image, CheminDonnees(QStringLiteral("m51_i16_256.fits")));
        Original = Image.Entete;
        Dialogue.Initialiser(3, Image, [this](const QString& ligne) { Historique << ligne; });
        Editeur = Dialogue.findChild<QPlainTextEdit*>(QStringLiteral("RchEdtEntete"));
    }
    // Sets the editor's lines and presses a button, every message answered.
    void Presser(const QStringList& lignes, const char* bouton = "BtnOK")
    {
        Editeur->setPlainText(lignes.join(QLatin1Char('\n')));
        Valider(bouton);
    }
    // Types the text key by key ("\n" is Return) over line n of the editor,
    // selected, or before END when n < 0; then presses OK.
    void Taper(const QString& texte, int n = -1)
    {
        Dialogue.show();
        QTextCursor curseur = Editeur->textCursor();
        curseur.movePosition(QTextCursor::End);
        curseur.movePosition(QTextCursor::StartOfBlock);
        if (n >= 0) {
            curseur.setPosition(Editeur->document()->findBlockByNumber(n).position());
            curseur.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        }
        Editeur->setTextCursor(curseur);
        for (QChar c : texte)
            if (c == QLatin1Char('\n'))
                QTest::keyClick(Editeur, Qt::Key_Return);
            else
                QTest::sendKeyEvent(QTest::Click, Editeur, Qt::Key_unknown, QString(c), Qt::NoModifier);
        if (n < 0)
            QTest::keyClick(Editeur, Qt::Key_Return);
        Valider("BtnOK");
    }
    void Valider(const char* bouton)
    {
        TRepondeurTest repondeur(RepondreToujours());
        Dialogue.setResult(0);
        Dialogue.show();
        QTest::mouseClick(Dialogue.findChild<QPushButton*>(QString::fromLatin1(bouton)), Qt::LeftButton);
        Messages = Dialogues::Journal();
        Dialogue.hide();
    }
    // The editor loaded again with the header, the history emptied.
    void Recharger(const QStringList& entete)
    {
        Image.Entete = entete;
        Historique.clear();
        Dialogue.Initialiser(3, Image, [this](const QString& ligne) { Historique << ligne; });
    }
    // The line of the header whose keyword is motCle.
    int Ligne(const QString& motCle) const
    {
        for (int i = 0; i < Image.Entete.size(); ++i)
            if (MotCleCarte(Image.Entete[i]) == motCle)
                return i;
        ADD_FAILURE() << motCle.toStdString();
        return 0;
    }

    THistoFit Image;
    QStringList Original;
    TEnteteFit Dialogue;
    QPlainTextEdit* Editeur = nullptr;
    QStringList Historique;
    std::vector<TDemandeDialogue> Messages;
};
} // namespace

TEST_F(EnteteFit, ChargementAnnulationEtRetourSansChangement)
{
    EXPECT_EQ(Dialogue.windowTitle(), QStringLiteral("#3 Entete Fit [*image non enregistrée*]"));
    EXPECT_EQ(Editeur->toPlainText(), Original.join(QLatin1Char('\n')));

    Presser({QStringLiteral("SIMPLE  = T")}, "BtnAnnuler");
    EXPECT_EQ(std::make_pair(Dialogue.result(), Image.Entete), std::make_pair(int(QDialog::Rejected), Original));

    // Blank lines after END do not matter: no notice, no change, no history.
    Presser(Original + QStringList{QString(), QStringLiteral("   ")});
    EXPECT_EQ(std::make_tuple(Dialogue.result(), Messages.size(), Texte(Image.Entete), Historique.size()),
              std::make_tuple(int(QDialog::Accepted), size_t(0), Texte(Original), qsizetype(0)));
}

TEST_F(EnteteFit, EndManquantEtNormalisation)
{
    QStringList l = Original;
    l.removeLast(); // END
    // In place of the file's OBJECT card, which a second one would repeat.
    l.removeIf([](const QString& c) { return MotCleCarte(c) == QStringLiteral("OBJECT"); });
    l.insert(3, QStringLiteral("OBJECT='M51'"));
    Presser(l);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_pair(Messages[0].Genre, Messages[0].Texte), std::make_pair(TGenreDemande::Information, NoticeEnd));
    EXPECT_EQ(Image.Entete.last(), QStringLiteral("END") + QString(77, QLatin1Char(' ')));
    EXPECT_EQ(Image.Entete[3], QStringLiteral("OBJECT  ='M51'") + QString(66, QLatin1Char(' ')));
    for (const QString& carte : Image.Entete)
        EXPECT_EQ(carte.size(), 80);
    EXPECT_EQ(Historique, QStringList{LigneHistoriqueEnteteFit()});

    // An emptied editor still gives a header that closes with END.
    Dialogue.Initialiser(3, Image);
    Presser({});
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_pair(Messages[0].Texte, Image.Entete.last().trimmed()), std::make_pair(NoticeEnd, QStringLiteral("END")));
}

TEST_F(EnteteFit, NaxisEtFinReparesEntetesIlliblesRefusees)
{
    // NAXIS1 falsified, NAXIS2 removed, a card after END: the sizes come back
    // from the image, the card is kept before the one END, after the notice.
    QStringList l;
    for (const QString& c : Original)
        if (MotCleCarte(c) == QStringLiteral("NAXIS1"))
            l << QStringLiteral("NAXIS1  =                   12");
        else if (MotCleCarte(c) != QStringLiteral("NAXIS2"))
            l << c;
    Presser(l << QStringLiteral("COMMENT typed after END") << QString());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(std::make_tuple(Messages[0].Texte, LireNaxis1Fit(Image), LireNaxis2Fit(Image)), std::make_tuple(NoticeEnd, 256, 256));
    ASSERT_GE(Image.Entete.size(), 2);
    EXPECT_EQ(Texte(Image.Entete.mid(Image.Entete.size() - 2)), "COMMENT typed after END|END");
    EXPECT_EQ(Image.Entete.filter(QRegularExpression(QStringLiteral("^END *$"))).size(), 1);

    // A header whose image would not survive a save and a read is refused
    // with the card and why: the dialog stays open, the header unchanged.
    const QStringList avant = Image.Entete;
    Historique.clear();
    const std::pair<const char*, const char*> refusees[] = {
        {"BSCALE  =                    0", "La carte BSCALE (« 0 ») doit être strictement positive"},
        {"BITPIX  =                   16`", "La carte BITPIX (« 16` ») ne donne pas un format d'échantillons FITS"},
        {"BSCALE  =                1E304", "Les cartes BSCALE et BZERO donnent des valeurs hors des limites des réels"},
        {"BZERO   = 'abc'", "La carte BZERO (« 'abc' ») ne donne pas un nombre réel"},
        {"NAXIS   =                    1", "La carte NAXIS (« 1 ») ne donne pas un nombre d'axes"},
        {"SIMPLE  =                    F", "La carte SIMPLE vaut « F » au lieu de T"},
    };
    for (const auto& [carte, texte] : refusees) {
        Presser(QStringList(avant).mid(0, avant.size() - 1) << carte << avant.last());
        ASSERT_EQ(Messages.size(), 1u) << carte;
        EXPECT_EQ(std::make_tuple(Messages[0].Genre, Messages[0].Texte.startsWith(QString::fromUtf8(texte)),
                                  Messages[0].Texte.endsWith(QStringLiteral("relu. L'entête n'a pas été modifiée.")),
                                  Dialogue.result(), Texte(Image.Entete), Historique.size()),
                  std::make_tuple(TGenreDemande::Erreur, true, true, 0, Texte(avant), qsizetype(0)))
            << Messages[0].Texte.toStdString();
    }
}

// A row typed into the editor and what it says of it: refused with a text
// that starts so, or (empty) taken.
struct TSaisie {
    const char* Texte;
    QString Debut;
    const char* MotCle = nullptr; // typed over the card of this keyword, before END otherwise
};

// The three other readers of every file written: fitsverify finds no error
// in those the editor accepted; astropy and cfitsio read the pixels of all,
// as our reader does, also when a refused header is saved as typed.
class EnteteFitPairs : public EnteteFit {
protected:
    void SetUp() override
    {
        EnteteFit::SetUp();
        ASSERT_TRUE(ExtraireZoneFit(Image, 0, 236, 0, 232)); // 24 x 20: quick to save
        for (size_t i = 0; i < Image.Pixels.size(); ++i)
            Image.Pixels[i] = double(i * 2731 % 32768 * 2); // on the steps of a BSCALE 2
        Image.Max = 65534;
        Pixels = Image.Pixels;
        Reference = Dossier.filePath(QStringLiteral("reference.fit"));
        THistoFit reference = Image;
        EnregistrerFit(reference, Reference);
        ASSERT_EQ(LireFitCfitsio(Reference), Pixels);
    }
    // The editor's answer to the lines: its cards, or the refusal's text.
    std::pair<QStringList, QString> Editer(const QStringList& lignes)
    {
        Editeur->setPlainText(lignes.join(QLatin1Char('\n')));
        try {
            return {Dialogue.CartesEditees(), QString()};
        } catch (const EStelor& e) {
            return {{}, e.Message()};
        }
    }
    // Saves the image under the cards; checks what our reader and cfitsio read.
    QString Ecrire(const QStringList& cartes, const QString& nom)
    {
        THistoFit image = Image;
        image.Entete = cartes;
        const QString chemin = Dossier.filePath(nom);
        EXPECT_NO_THROW({
            EnregistrerFit(image, chemin);
            EXPECT_EQ(std::pair(FitLu(chemin).Pixels, LireFitCfitsio(chemin)), std::pair(Pixels, Pixels));
        }) << nom.toStdString();
        return chemin;
    }
    // The line in place of the card of its keyword (a second one is
    // refused), or added last.
    static QStringList AvecLigne(QStringList cartes, const QString& ligne)
    {
        const QString k = MotCleLuFit(ligne);
        for (QString& c : cartes)
            if (!k.isEmpty() && k != QStringLiteral("HISTORY") && MotCleLuFit(c) == k) {
                c = ligne;
                return cartes;
            }
        return cartes << ligne;
    }
    // Each row typed into the editor loaded with the image's header, then
    // OK: refused with its text, the dialog kept open and the header as it
    // was; or taken without a word. The files saved under the headers taken.
    QStringList Saisir(std::initializer_list<TSaisie> saisies)
    {
        const QStringList entete = Image.Entete;
        QStringList ecrites;
        for (const TSaisie& saisie : saisies) {
            SCOPED_TRACE(saisie.Texte);
            Recharger(entete);
            Taper(QString::fromUtf8(saisie.Texte), saisie.MotCle ? Ligne(saisie.MotCle) : -1);
            if (saisie.Debut.isEmpty()) {
                EXPECT_EQ(std::make_tuple(Messages.size(), Dialogue.result()), std::make_tuple(size_t(0), 1))
                    << JournalDialogues();
                ecrites << Ecrire(Image.Entete, QStringLiteral("s%1.fit").arg(ecrites.size()));
                continue;
            }
            EXPECT_EQ(Messages.size(), 1u) << JournalDialogues();
            if (Messages.empty())
                continue;
            EXPECT_EQ(std::make_tuple(Messages[0].Genre, Messages[0].Texte.startsWith(saisie.Debut),
                                      Messages[0].Texte.endsWith(QStringLiteral(". L'entête n'a pas été modifiée.")),
                                      Dialogue.result(), Image.Entete == entete, Historique.size()),
                      std::make_tuple(TGenreDemande::Erreur, true, true, 0, true, qsizetype(0)))
                << Messages[0].Texte.toStdString();
        }
        Recharger(entete);
        return ecrites;
    }
    static QStringList CommeTapees(const QStringList& lignes)
    {
        QStringList cartes;
        for (const QString& l : lignes)
            cartes << NormaliserCarte(l).left(80);
        return cartes;
    }

    QTemporaryDir Dossier;
    QString Reference;
    std::vector<double> Pixels;
};

TEST_F(EnteteFitPairs, LignesQueDAutresProgrammesLiraientAutrement)
{
    // Each line added before END: refused, naming the card, the dialog kept
    // open; or taken as typed, and the saved file is one that every reader
    // reads alike.
    const QStringList refusees = {
        "bzero   = 100", "bscale  = 2", "simple  = t", "BLANK   = abc", "GROUPS  = T", "PCOUNT  = 1000",
        "PCOUNT  = -100", "BZERO  + = 100", "HIERARCH BSCALE = 2", "GCOUNT  = 2", "XTENSION= 'IMAGE'",
        "BSCALE  = 1,5", "BZERO   = 1E300", "BZERO   = 7", "OBJECT  = M51", "DATE-OBS= '2020-13-45'", "EXPOSURE1= 5",
        "END     = 1", " OBJECT = 'M51'", "TFORM1  = 'I'", "EXPTIME = 12.5 secondes", "OBJECT   M51",
    };
    const QStringList acceptees = {
        "OBJECT  = 'M51'", "OBJECT='M51'", "EXPTIME =                 12.5", "COMMENT une remarque = libre",
        "HISTORY Stelor", "OBSERVER= 'Moi' / qui", "MONCHAMP= 42", "HIERARCH ESO DET DIT = 2.5",
        "DATE-OBS= '2026-12-07T21:30:00'", "DATE-OBS= '07/12/26'", "BSCALE  = 2", "EQUINOX = 2000", "BLANK   = -7",
        "BZERO   = 32768", "CPLX    = (1.5, -2)", "NOTE    = 'Nébuleuse'",
    };
    QStringList ecrites;
    const QStringList base = Original.mid(0, Original.size() - 1);
    for (const QString& ligne : refusees + acceptees) {
        SCOPED_TRACE(ligne.toStdString());
        const auto [cartes, refus] = Editer(AvecLigne(base, ligne) << "END");
        if (refusees.contains(ligne)) {
            const bool echelle = refus.startsWith(QStringLiteral("Les cartes BSCALE (1) et BZERO (")) &&
                                 refus.contains(QStringLiteral("les valeurs de l'image n'y tombent pas"));
            EXPECT_TRUE(((refus.contains(QStringLiteral("La carte")) && refus.contains(ligne.trimmed())) || echelle) &&
                        refus.endsWith(QStringLiteral(" L'entête n'a pas été modifiée.")))
                << refus.toStdString();
            continue;
        }
        ASSERT_EQ(refus, QString());
        ecrites << Ecrire(cartes, QStringLiteral("a%1.fit").arg(ecrites.size()));
    }
    EXPECT_EQ(RefusesParFitsverify(ecrites), QStringList());
    EXPECT_EQ(Python(QStringLiteral("pixels_differents"), QStringList{Reference} + ecrites), "ok");
    // The kept scale is the one typed: BSCALE 2 reads back, unrounded.
    EXPECT_EQ(LireBScaleFit(FitLu(ecrites[acceptees.indexOf("BSCALE  = 2")])), 2.0);
}

TEST_F(EnteteFitPairs, CarteRepetantUnMotCle)
{
    // Each reader reads its own one of two cards of a keyword: a typed card
    // that repeats one is refused, naming both; commentary cards repeat.
    const QString repete = QStringLiteral("La carte « %1 » donne le mot clé %2, que donne aussi la carte « %3 » : ");
    const QString object = QStringLiteral("OBJECT  = 'm51  B  600s'       / Name of the object observed");
    const QStringList ecrites = Saisir({
        {"EXTEND  =                    T",
         repete.arg("EXTEND  =                    T", "EXTEND", "EXTEND  =                    F / File may contain extensions")},
        {"HIERARCH OBJECT = 'x'", repete.arg("HIERARCH OBJECT = 'x'", "OBJECT", object)},
        {"DATE-OBS= '2020-01-02'", repete.arg("DATE-OBS= '2020-01-02'", "DATE-OBS", "DATE-OBS= '05/04/87'            /  DATE DD/MM/YY")},
        {"OBJECT  = 'm51  B  600s'       / Name of the object observed", repete.arg(object, "OBJECT", object)},
        {"NOTE    = 'a'\nNOTE    = 'b'", repete.arg("NOTE    = 'a'", "NOTE", "NOTE    = 'b'")},
        {"COMMENT a\nCOMMENT a\nHISTORY 'KPNO-IRAF'\n        libre\n        libre\nNOTE    = 'un texte&'\n"
         "CONTINUE  'suite&'\nCONTINUE  'fin'\nOBJECT2 = 'x'\nDATE-OB = '2020-01-02'", {}},
    });
    EXPECT_EQ(RefusesParFitsverify(ecrites), QStringList());
    EXPECT_EQ(Python(QStringLiteral("cartes_ambigues"), ecrites), "ok");

    // Cards that came with the file stay as they came: a header that already
    // repeats OBJECT and EXTEND is edited elsewhere without a word about them.
    QStringList doubles = Image.Entete;
    doubles.insert(Ligne("OBJECT") + 1, QStringLiteral("OBJECT  = 'M51'").leftJustified(80));
    doubles.insert(Ligne("EXTEND") + 1, QStringLiteral("EXTEND  =                    T").leftJustified(80));
    Recharger(doubles);
    Taper(QStringLiteral("OBSERVER= 'Moi'"));
    EXPECT_EQ(std::make_tuple(Messages.size(), Dialogue.result(), Image.Entete.filter(QRegularExpression("^(OBJECT|EXTEND) ")).size()),
              std::make_tuple(size_t(0), int(QDialog::Accepted), qsizetype(4)))
        << JournalDialogues();
    const QString chemin = Ecrire(Image.Entete, QStringLiteral("doubles.fit"));
    EXPECT_EQ(RefusesParFitsverify({chemin}), QStringList());
    EXPECT_EQ(Python(QStringLiteral("pixels_differents"), {Reference, chemin}), "ok");
}

TEST_F(EnteteFitPairs, ValeursQueDAutresProgrammesLiraientAutrement)
{
    // HIERARCH with a keyword's own name is read as that keyword; a number
    // no double holds is read as an infinity or 0 by astropy and refused by
    // cfitsio; a misplaced "=" or a blank keyword is named as such.
    const QString horsReels = QStringLiteral(" donne un nombre hors des limites des réels (« %1 »)");
    const QStringList ecrites = Saisir({
        {"HIERARCH DATE-OBS = 'junk'", "La carte « HIERARCH DATE-OBS = 'junk' » : DATE-OBS attend une date", "DATE-OBS"},
        {"EXPTIME =              -1D400", "La carte « EXPTIME =              -1D400 »" + horsReels.arg("-1D400")},
        {"EXPTIME = 1.5E-400", "La carte « EXPTIME = 1.5E-400 »" + horsReels.arg("1.5E-400")},
        {"OBJECT   = 'x'", "La carte « OBJECT   = 'x' » a son signe « = » en colonne 10 au lieu de 9 : FITS lirait le mot "
                            "clé « OBJECT » sans valeur.", "OBJECT"},
        {"         EXPTIME= 5", "La carte «          EXPTIME= 5 » a un mot clé vide (colonnes 1 à 8 blanches)"},
        {"HIERARCH DATE-OBS = '2020-01-02T03:04:05'", {}, "DATE-OBS"},
        {"HIERARCH ESO DATE = 5\nEXPTIME = 1E300\nEXPMIN  = -1.7976931348623157E308\nEXPMAX  = 2.2250738585072014E-308\n"
         "EXPZERO = 0.0E-999\nCPLX    = (1E300, -0D-400)", {}},
    });
    EXPECT_EQ(RefusesParFitsverify(ecrites), QStringList());
    EXPECT_EQ(Python(QStringLiteral("cartes_ambigues"), ecrites), "ok");
    EXPECT_EQ(Python(QStringLiteral("pixels_differents"), QStringList{Reference} + ecrites), "ok");
}

TEST_F(EnteteFitPairs, CaracteresQueFitsNeTientPasAnnonces)
{
    // OK says which typed cards lose characters and how they will be
    // written; the header takes that form, which the saved file gives back.
    const QStringList entete = Image.Entete;
    const QString raison = QStringLiteral("\nUn fichier FITS ne tient que les caractères ASCII imprimables : les accents "
                                          "sont retirés, les autres caractères deviennent des blancs.");
    Recharger(entete);
    Taper(QStringLiteral("NOTE    = 'Nébuleuse €'"));
    ASSERT_EQ(Messages.size(), 1u) << JournalDialogues();
    const QString ecrite = QStringLiteral("NOTE    = 'Nebuleuse  '");
    EXPECT_EQ(std::make_tuple(Messages[0].Genre, Messages[0].Texte, Dialogue.result(), Historique.size()),
              std::make_tuple(TGenreDemande::Information,
                              "La carte « NOTE    = 'Nébuleuse €' » sera écrite « " + ecrite + " »." + raison,
                              int(QDialog::Accepted), qsizetype(1)));
    EXPECT_TRUE(Image.Entete.contains(ecrite.leftJustified(80)));
    const QString chemin = Ecrire(Image.Entete, QStringLiteral("note.fit"));
    EXPECT_TRUE(FitLu(chemin).Entete.contains(ecrite.leftJustified(80)));

    // Two such cards typed over END: one notice names both, then the notice
    // of the missing END; the "=" gets its blank in the form announced.
    Recharger(entete);
    Taper(QStringLiteral("NOTE='été'\nAUTEUR  = 'Zoë' / à l'œil\t"), int(entete.size()) - 1);
    ASSERT_EQ(Messages.size(), 2u) << JournalDialogues();
    EXPECT_EQ(std::make_tuple(Messages[0].Texte, Messages[1].Texte),
              std::make_tuple("La carte « NOTE    ='été' » sera écrite « NOTE    = 'ete' ».\nLa carte « AUTEUR  = 'Zoë' "
                              "/ à l'œil\t » sera écrite « AUTEUR  = 'Zoe' / a l' il »." + raison,
                              NoticeEnd));
    const QString auteur = Ecrire(Image.Entete, QStringLiteral("auteur.fit"));
    EXPECT_TRUE(FitLu(auteur).Entete.contains(QStringLiteral("NOTE    = 'ete'").leftJustified(80)));
    EXPECT_EQ(RefusesParFitsverify({chemin, auteur}), QStringList());
    EXPECT_EQ(Python(QStringLiteral("pixels_differents"), {Reference, chemin, auteur}), "ok");

    // A card that came so with the file is left as it came, without a word.
    QStringList accentuee = entete;
    accentuee.insert(accentuee.size() - 1, QStringLiteral("NOTE    = 'Nébuleuse'").leftJustified(80));
    Recharger(accentuee);
    Valider("BtnOK");
    EXPECT_EQ(std::make_tuple(Messages.size(), Dialogue.result(), Texte(Image.Entete), Historique.size()),
              std::make_tuple(size_t(0), int(QDialog::Accepted), Texte(accentuee), qsizetype(0)))
        << JournalDialogues();
}

TEST_F(EnteteFitPairs, ModificationsAleatoiresTroisLecteurs)
{
    // One card changed or added at random, 1500 times from a fixed seed:
    // mixed-case, structural, HIERARCH and junk keywords, values of every
    // kind. The editor refuses the header naming a card, or the file saved
    // under it is one fitsverify accepts and astropy and cfitsio read with our
    // pixels, in which astropy finds no keyword twice and no number beyond
    // the doubles; a refused header saved as typed still reads alike
    // everywhere.
    const QStringList motsCles = {
        "OBJECT", "EXPTIME", "OBSERVER", "MONCHAMP", "DATE-OBS", "DATE", "EQUINOX", "BUNIT", "CTYPE1", "CRPIX1",
        "EXTVER", "EXTEND", "BLANK", "BSCALE", "BZERO", "SIMPLE", "BITPIX", "NAXIS", "NAXIS1", "NAXIS3", "PCOUNT",
        "GCOUNT", "GROUPS", "XTENSION", "TFORM1", "THEAP", "END", "COMMENT", "HISTORY", "bzero", "Bscale", "simple",
        "object", " BZERO", "BZERO  +", "BSCAL\u00C9", "EXPOSURE1", "A B", "OBJ,ECT", "DATAMIN", "STL_TRFT", "RELEASE", ""};
    const QStringList valeurs = {
        "'M51'", "'it''s'", "'sans fin", "M51", "T", "F", "t", "16", "-32", "2", "0", "-1", "1000", "-100", "32768",
        "-32768", "0.5", "2.", "1,5", "1E300", "1E-300", "1.0D0", "1.0e5", "NaN", "abc", "", "/ note", "2 / x", "T x",
        "'2020-01-02'", "'2020-13-45'", "'12/05/98'", "'2020-01-02T03:04:05'", "(1.0, 2.0)", "(1 2)", "'IMAGE   '",
        "99999999999", "+2", "'\u00E9t\u00E9'", "1E400", "-1D400", "1E-400", "(1E999, 0)"};
    const QStringList hierarch = {"HIERARCH ESO DET DIT = 2.5", "HIERARCH BSCALE = 2", "HIERARCH bzero = 100",
                                  "HIERARCH PCOUNT = 5", "HIERARCH ESO OBS NAME = 'x'", "HIERARCH END",
                                  "HIERARCH NAXIS1 = 3", "HIERARCH ESO A = abc", "hierarch ESO A = 5",
                                  "HIERARCH  BZERO  = 1", "HIERARCH DATE-OBS = 'junk'", "HIERARCH OBJECT = 'x'",
                                  "HIERARCH DATE-OBS = '2020-01-02'"};
    const QString caracteres = QStringLiteral(" =/'`,.-+0123456789ABDEFTbz\u00E9\t");
    std::mt19937 alea(20261207);
    const auto choisir = [&](const QStringList& liste) { return liste[alea() % liste.size()]; };
    const auto carte = [&] {
        const QString k = choisir(motsCles), v = choisir(valeurs);
        switch (alea() % 3) {
        case 0: return k.leftJustified(8) + "= " + v.rightJustified(20);
        case 1: return k + "=" + v;
        default: return k.leftJustified(8) + "= " + v;
        }
    };
    QStringList acceptees, tapees;
    for (int cas = 0; cas < 1500 && !HasFailure(); ++cas) {
        QStringList lignes = Original;
        const qsizetype i = alea() % (lignes.size() - 1); // END stays last
        QString& ligne = lignes[i];
        switch (alea() % 6) {
        case 0: ligne = carte(); break;
        case 1: ligne = MotCleCarte(ligne).leftJustified(8) + "= " + choisir(valeurs); break;
        case 2: ligne.insert(alea() % 81, choisir(QStringList(caracteres.split(QString())).mid(1, caracteres.size()))); break;
        case 3: ligne = ligne.leftJustified(80); ligne[alea() % 80] = caracteres[alea() % caracteres.size()]; break;
        case 4: lignes.insert(i, carte()); break;
        default: lignes.insert(i, choisir(hierarch)); break;
        }
        const auto [cartes, refus] = Editer(lignes);
        const QString nom = QStringLiteral("%1%2.fit").arg(refus.isEmpty() ? "a" : "t").arg(cas, 4, 10, QLatin1Char('0'));
        if (refus.isEmpty())
            acceptees << Ecrire(cartes, nom);
        else {
            EXPECT_TRUE(refus.contains(QStringLiteral("carte"))) << refus.toStdString();
            tapees << Ecrire(CommeTapees(lignes), nom);
        }
    }
    EXPECT_GT(acceptees.size(), 300);
    EXPECT_GT(tapees.size(), 300);
    EXPECT_EQ(RefusesParFitsverify(acceptees), QStringList());
    EXPECT_EQ(Python(QStringLiteral("cartes_ambigues"), acceptees), "ok");
    EXPECT_EQ(Python(QStringLiteral("pixels_differents"), QStringList{Reference} + acceptees + tapees), "ok");
}

TEST_F(EnteteFit, ImpressionEnPdf)
{
    QTemporaryDir dossier;
    const QString pdf = dossier.filePath(QStringLiteral("entete.pdf"));
    const QString avant = Editeur->toPlainText();
    TRepondeurTest repondeur([&pdf](const TDemandeDialogue&) { return TReponseDialogue{mrCancel, {pdf}, {}}; });
    QTest::mouseClick(Dialogue.findChild<QPushButton*>(QStringLiteral("BtnImprimer")), Qt::LeftButton);
    EXPECT_EQ(Editeur->toPlainText(), avant);
    if (Dialogues::Journal().empty())
        GTEST_SKIP() << "a printer is installed: the printout went to it";
    QString sortie;
    ASSERT_EQ(LancerProgramme(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}, &sortie), 0);
    const QString contenu = sortie.simplified(); // the extractor may not keep runs of blanks
    EXPECT_TRUE(contenu.startsWith(QStringLiteral("#3 Entete Fit [*image non enregistrée*]")));
    for (const QString& carte : Original)
        EXPECT_TRUE(contenu.contains(carte.simplified())) << carte.toStdString();

    // Readable on paper: every word at least 8 points tall (a PDF point is 1/72 inch).
    QString boites;
    ASSERT_EQ(LancerProgramme(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}, &boites), 0);
    const QRegularExpression mot(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">"));
    int mots = 0;
    for (auto it = mot.globalMatch(boites); it.hasNext(); ++mots) {
        const auto m = it.next();
        EXPECT_GE(m.captured(2).toDouble() - m.captured(1).toDouble(), 8.0) << m.captured(0).toStdString();
    }
    EXPECT_GT(mots, Original.size());
}
