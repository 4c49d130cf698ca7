// Printing into a PDF file (no printer here): the document whole, read back
// by pdftotext; a write that fails names the chosen file and why, and leaves
// neither that file nor a draft anywhere; the temporary folder plays no part.
#include "PErreurs.h"
#include "PFichiers.h"
#include "PImpression.h"
#include "Soutien.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPagedPaintDevice>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

class TImpressionPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pdf = Dossier.filePath(QStringLiteral("rapport.pdf"));
        // The temporary folder is watched: nothing may be left there.
        TmpdirAvant = qgetenv("TMPDIR");
        qputenv("TMPDIR", Temporaire.path().toUtf8());
    }
    void TearDown() override
    {
        FixerPanneFichierEssai({});
        qputenv("TMPDIR", TmpdirAvant);
    }
    // A text of n numbered lines, many pages long for n in the thousands.
    static QString Lignes(int n)
    {
        QStringList l;
        for (int i = 1; i <= n; ++i)
            l << QStringLiteral("ligne %1 : valeur %2,5").arg(i).arg(i * 7);
        return l.join(QLatin1Char('\n'));
    }
    bool Imprime(const QString& texte, const QFont& police = QFontDatabase::systemFont(QFontDatabase::FixedFont))
    {
        TRepondeurTest r([this](const TDemandeDialogue&) { return TReponseDialogue{mrOk, {Pdf}, {}}; });
        return ImprimerTexte(nullptr, QStringLiteral("Statistiques [m51.fit]"), QStringLiteral("Imprimer"), texte,
                             police);
    }
    bool ImprimeDocument(const QTextDocument& document)
    {
        TRepondeurTest r([this](const TDemandeDialogue&) { return TReponseDialogue{mrOk, {Pdf}, {}}; });
        return ImprimerDocument(nullptr, QStringLiteral("Rapport"), QStringLiteral("Imprimer"), document);
    }
    QString Texte() const
    {
        QString sortie;
        EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"), {Pdf, QStringLiteral("-")}, &sortie), 0)
            << sortie.toStdString();
        return sortie;
    }
    static QStringList Contenu(const QTemporaryDir& d)
    {
        return QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir Dossier, Temporaire;
    QString Pdf;
    QByteArray TmpdirAvant;
};

// The error a call raises, "" when none.
QString ErreurDe(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EStelor& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST_F(TImpressionPdf, DocumentEntierSansDossierTemporaire)
{
    // Neither a missing temporary folder nor a file in its place stops a print.
    const QString fichier = Temporaire.filePath(QStringLiteral("fichier"));
    EcrireFichierSur(fichier, "x");
    for (const QString& tmp : {Temporaire.filePath(QStringLiteral("absent")), fichier}) {
        qputenv("TMPDIR", tmp.toUtf8());
        QFile::remove(Pdf);
        ASSERT_EQ(ErreurDe([&] { EXPECT_TRUE(Imprime(Lignes(2500))); }), "") << tmp.toStdString();
        const QString texte = Texte();
        EXPECT_TRUE(texte.contains(QStringLiteral("ligne 1 : valeur 7,5")) &&
                    texte.contains(QStringLiteral("ligne 2500 : valeur 17500,5")))
            << texte.left(200).toStdString();
        // Many pages, each line once.
        EXPECT_GT(texte.count(QLatin1Char('\f')), 20);
        EXPECT_EQ(texte.count(QStringLiteral("ligne 1250 : ")), 1);
        EXPECT_EQ(Contenu(Dossier), QStringList{"rapport.pdf"});
    }
    EXPECT_EQ(Contenu(Temporaire), QStringList{"fichier"});

    // A document keeps its title.
    QTextDocument document;
    document.setHtml(QStringLiteral("<p style='color:red'>Début du rapport</p>"));
    EXPECT_TRUE(ImprimeDocument(document));
    QString info;
    EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdfinfo"), {Pdf}, &info), 0);
    EXPECT_TRUE(Texte().contains(QStringLiteral("Début du rapport")) &&
                info.contains(QRegularExpression(QStringLiteral("Title: +Rapport\n"))))
        << info.toStdString();
}

TEST_F(TImpressionPdf, EchecDEcritureNommeLeFichierEtNeLaisseRien)
{
    // The disk fills up after some pages, the folder refuses a new file, the
    // disk is read-only: each named with the chosen file, nothing left.
    const std::tuple<int, TEtapeFichier, int, QString> cas[] = {
        {ENOSPC, TEtapeFichier::Ecriture, 200, QStringLiteral("le disque est plein")},
        {ENOSPC, TEtapeFichier::Ecriture, 0, QStringLiteral("le disque est plein")},
        {EACCES, TEtapeFichier::Creation, 0,
         QStringLiteral("le dossier « %1 » n'accepte pas de nouveau fichier (permission refusée)").arg(Dossier.path())},
        {EROFS, TEtapeFichier::Creation, 0, QStringLiteral("le disque est en lecture seule")},
    };
    for (const auto& [erreur, etape, apres, cause] : cas) {
        for (const bool ancien : {false, true}) {
            if (ancien)
                EcrireFichierSur(Pdf, "ancien");
            int ecritures = 0;
            FixerPanneFichierEssai([&, erreur = erreur, etape = etape, apres = apres](const QString& nom,
                                                                                       TEtapeFichier e) {
                return nom == Pdf && e == etape && ecritures++ >= apres ? erreur : 0;
            });
            EXPECT_EQ(ErreurDe([&] { Imprime(Lignes(3000)); }), TexteErreurFichier(TSensFichier::Ecriture, Pdf, cause))
                << erreur << " après " << apres;
            FixerPanneFichierEssai({});
            // An earlier file of that name stays as it was.
            EXPECT_EQ(Contenu(Dossier), ancien ? QStringList{"rapport.pdf"} : QStringList{});
            if (ancien) {
                EXPECT_EQ(LireFichierComplet(Pdf), "ancien");
                QFile::remove(Pdf);
            }
        }
    }
    EXPECT_EQ(Contenu(Temporaire), QStringList{});

    // A document the writer never finished is not saved as a PDF.
    TRepondeurTest r([this](const TDemandeDialogue&) { return TReponseDialogue{mrOk, {Pdf}, {}}; });
    EXPECT_EQ(ErreurDe([&] { Imprimer(nullptr, "vide", "Imprimer", [](QPagedPaintDevice&) {}); }),
              TexteErreurFichier(TSensFichier::Ecriture, Pdf, QStringLiteral("le document PDF n'a pas pu être terminé")));
    EXPECT_EQ(Contenu(Dossier), QStringList{});
}

// A search for "fit" or "flat" in a printed report finds them: the letters are
// printed as they are, never joined into ligatures, whatever the font.
TEST_F(TImpressionPdf, LettresSansLigatures)
{
    const QStringList mots{"m51.fit", "flat", "offset", "ffi", "ffl", "affiche", "baffle"};
    const QString ligne = mots.join(QLatin1Char(' '));
    const QFont serif(QStringLiteral("DejaVu Serif"), 12);
    const std::pair<const char*, std::function<bool()>> cas[] = {
        {"texte en chasse fixe", [&] { return Imprime(ligne); }},
        {"texte en police du système",
         [&] { return Imprime(ligne, QFontDatabase::systemFont(QFontDatabase::GeneralFont)); }},
        {"texte en police à empattements", [&] { return Imprime(ligne, serif); }},
        {"document", [&] {
             QTextDocument document;
             document.setHtml(
                 QStringLiteral("<p>%1</p><p style='font-family:\"DejaVu Serif\"'><b>%1</b></p>").arg(ligne));
             return ImprimeDocument(document);
         }},
        {"document dont le texte porte sa police", [&] {
             QTextDocument document;
             QTextCharFormat format;
             format.setFont(serif);
             QTextCursor(&document).insertText(ligne, format);
             return ImprimeDocument(document);
         }},
    };
    for (const auto& [nom, imprimer] : cas) {
        SCOPED_TRACE(nom);
        QFile::remove(Pdf);
        ASSERT_TRUE(imprimer());
        const QString texte = Texte();
        QStringList absents;
        for (const QString& mot : mots)
            if (!texte.contains(mot))
                absents << mot;
        EXPECT_EQ(absents, QStringList()) << texte.toStdString();
    }
}
