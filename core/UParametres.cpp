#include "UParametres.h"

#include "PErreurs.h"
#include "PFichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <utility>

const double SigmasParDefaut[5] = {0.7, 1.0, 1.2, 1.5, 1.8};
const double CoefficientsParDefaut[5] = {1.0, 1.4, 1.8, 2.2, 2.6};

namespace {

const QString General = QStringLiteral("General");
const QString SectionSigmasMasqueFlou = QStringLiteral("Sigmas Masque flou");
const QString SectionCoefsMasqueFlou = QStringLiteral("Coefficients Masque flou");
const QString SectionSigmasGaussien = QStringLiteral("Sigmas Gaussien");

bool Ouvert = false;
QString NomFichier;
// A file that exists but cannot be read: what the user is told, once, and
// whether it was; it is never written over while the store points at it.
QString FichierIllisible;
bool IllisibleSignale = false;

void Pointer(const QString& nom)
{
    NomFichier = nom;
    Ouvert = !nom.isEmpty();
    FichierIllisible.clear();
    IllisibleSignale = false;
}

// ---------------------------------------------------------------------------
// The INI text, kept line by line so that a write changes one line and
// leaves everything else (comments, unknown keys) as the user left it.

// The file the name leads to now, if any.
std::optional<std::pair<dev_t, ino_t>> Identite(const QString& nom)
{
    struct stat etat {};
    if (::stat(QFile::encodeName(nom).constData(), &etat) != 0)
        return std::nullopt;
    return std::pair(etat.st_dev, etat.st_ino);
}

QStringList LireLignes()
{
    if (!Ouvert || !QFileInfo::exists(NomFichier))
        return {};
    QByteArray contenu;
    // Another Stelor writes the file by renaming a new one over it: a read
    // that met the swap reads the new file.
    for (int essai = 1;; ++essai) {
        const auto avant = Identite(NomFichier);
        try {
            contenu = LireFichierComplet(NomFichier);
            break;
        } catch (const EStelor& e) {
            if (essai < 5 && avant && Identite(NomFichier) != avant)
                continue;
            // Every key reads as its default; a write would lose the user's file.
            if (FichierIllisible.isEmpty())
                FichierIllisible = e.Message() + QStringLiteral(" Stelor garde ses réglages par défaut et n'écrira pas "
                                                                "sur ce fichier : les réglages de cette session ne "
                                                                "seront pas enregistrés.");
            return {};
        }
    }
    QString texte = QString::fromUtf8(contenu);
    texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texte.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lignes = texte.split(QLatin1Char('\n'));
    if (!lignes.isEmpty() && lignes.last().isEmpty())
        lignes.removeLast();
    return lignes;
}

// Name of the section a line opens, or a null string.
QString SectionDeLigne(const QString& ligne)
{
    const QString t = ligne.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return {};
    const auto fin = t.indexOf(QLatin1Char(']'));
    if (fin < 0)
        return {};
    return t.mid(1, fin - 1).trimmed();
}

bool MemeNom(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Key of a "key=value" line, or a null string.
QString CleDeLigne(const QString& ligne, QString* valeur = nullptr)
{
    const auto egal = ligne.indexOf(QLatin1Char('='));
    if (egal <= 0 || ligne.trimmed().startsWith(QLatin1Char(';')))
        return {};
    if (valeur)
        *valeur = ligne.mid(egal + 1).trimmed();
    return ligne.left(egal).trimmed();
}

std::optional<QString> Chercher(const QStringList& lignes, const QString& section, const QString& cle)
{
    bool dansSection = false;
    for (const QString& ligne : lignes) {
        const QString s = SectionDeLigne(ligne);
        if (!s.isNull()) {
            dansSection = MemeNom(s, section);
            continue;
        }
        QString valeur;
        if (dansSection && MemeNom(CleDeLigne(ligne, &valeur), cle))
            return valeur;
    }
    return std::nullopt;
}

void Placer(QStringList& lignes, const QString& section, const QString& cle, const QString& valeur)
{
    const QString nouvelle = cle + QLatin1Char('=') + valeur;
    int debut = -1;
    for (int i = 0; i < lignes.size(); ++i) {
        const QString s = SectionDeLigne(lignes[i]);
        if (s.isNull() || !MemeNom(s, section))
            continue;
        debut = i;
        int dernier = i; // last non-blank line of the section
        int j = i + 1;
        for (; j < lignes.size() && SectionDeLigne(lignes[j]).isNull(); ++j) {
            if (MemeNom(CleDeLigne(lignes[j]), cle)) {
                lignes[j] = nouvelle;
                return;
            }
            if (!lignes[j].trimmed().isEmpty())
                dernier = j;
        }
        lignes.insert(dernier + 1, nouvelle);
        return;
    }
    if (debut < 0) {
        if (!lignes.isEmpty() && !lignes.last().trimmed().isEmpty())
            lignes.append(QString());
        lignes.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lignes.append(nouvelle);
    }
}

void VerifierOuvert()
{
    if (!Ouvert)
        LeverErreur(QStringLiteral("Le fichier de paramètres n'est pas ouvert."));
}

std::function<bool(const QString&)>& TestModifiable()
{
    static std::function<bool(const QString&)> test;
    return test;
}

void EcrireLignes(const QStringList& lignes)
{
    const QFileInfo info(NomFichier);
    // A rename would replace a file the user made read-only: refuse instead.
    if (info.exists() && !FichierModifiable(NomFichier))
        LeverErreurFichier(ES_AccesRefuse, TSensFichier::Ecriture, NomFichier,
                           QStringLiteral("il est protégé en écriture (permission refusée)"));
    QByteArray contenu;
    for (const QString& ligne : lignes)
        contenu += ligne.toUtf8() + '\n';
    QDir().mkpath(info.path()); // the user's configuration folder may not exist yet
    EcrireFichierSur(NomFichier, contenu);
}

void Ecrire(const QString& section, const QString& cle, const QString& valeur)
{
    VerifierOuvert();
    QStringList lignes = LireLignes();
    if (!FichierIllisible.isEmpty()) {
        if (!std::exchange(IllisibleSignale, true))
            throw EErreurFichier(ES_AccesRefuse, FichierIllisible);
        return;
    }
    Placer(lignes, section, cle, valeur);
    EcrireLignes(lignes);
}

std::optional<QString> Lire(const QString& section, const QString& cle)
{
    return Chercher(LireLignes(), section, cle);
}

} // namespace

QString AvertissementPreferences()
{
    LireLignes();
    return FichierIllisible.isEmpty() || std::exchange(IllisibleSignale, true) ? QString() : FichierIllisible;
}

namespace {

// ---------------------------------------------------------------------------
// Typed values

std::optional<int32_t> EntierIni(const QString& texte)
{
    const QString t = texte.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString hex = t.mid(2);
        if (hex.isEmpty() || hex.size() > 8)
            return std::nullopt;
        uint32_t v = 0;
        for (const QChar c : hex) {
            const int chiffre = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
            if (chiffre < 0)
                return std::nullopt;
            v = v * 16 + static_cast<uint32_t>(chiffre);
        }
        return static_cast<int32_t>(v);
    }
    return TexteEnEntier(t);
}

// The value as its conversion reads it, or the default when the key is
// missing, the text does not convert or the value lies outside mini..maxi.
template <class T, class Conversion>
T LireValeur(const QString& section, const QString& cle, T defaut, T mini, T maxi, Conversion convertir)
{
    const auto texte = Lire(section, cle);
    if (!texte)
        return defaut;
    const std::optional<T> v = convertir(*texte);
    return v && *v >= mini && *v <= maxi ? *v : defaut;
}

int32_t LireEntier(const QString& section, const QString& cle, int32_t defaut, int32_t mini = INT32_MIN,
                   int32_t maxi = INT32_MAX)
{
    return LireValeur(section, cle, defaut, mini, maxi, EntierIni);
}

bool LireBooleen(const QString& section, const QString& cle, bool defaut)
{
    return LireEntier(section, cle, defaut ? 1 : 0) != 0;
}

double LireReel(const QString& section, const QString& cle, double defaut, double mini, double maxi)
{
    return LireValeur(section, cle, defaut, mini, maxi, [](const QString& t) { return TexteEnReel(t); });
}

void EcrireEntier(const QString& section, const QString& cle, int32_t valeur)
{
    Ecrire(section, cle, QString::number(valeur));
}

void EcrireReel(const QString& section, const QString& cle, double valeur)
{
    Ecrire(section, cle, ReelEnTexteGeneral(valeur));
}

int IndexBorne(int i) { return i < 1 || i > 5 ? 0 : i - 1; }

// Sensible ranges of the reals: the dialogs never go below these minima.
const double SigmaMin = 0.2, SigmaMax = 100, CoefMin = 0, CoefMax = 1000;

} // namespace

// ---------------------------------------------------------------------------

bool FichierModifiable(const QString& nom)
{
    if (TestModifiable())
        return TestModifiable()(nom);
    return QFileInfo(nom).isWritable();
}

void FixerTestModifiable(std::function<bool(const QString&)> test) { TestModifiable() = std::move(test); }

namespace {
QString& DossierEssai()
{
    static QString dossier;
    return dossier;
}
} // namespace

void FixerDossierPreferencesEssai(const QString& dossier) { DossierEssai() = dossier; }

QString EmplacementPreferencesParDefaut()
{
    return EmplacementPreferences(DossierEssai().isEmpty() ? RepertoireApplication() : DossierEssai());
}

QString EmplacementPreferences(const QString& dossierProgramme)
{
    if (!dossierProgramme.isEmpty()) {
        // A file beside the program is the user's, even read-only: it is read
        // there, and a write it refuses is reported. Without one, the folder
        // must take a new file.
        QString dossier = dossierProgramme;
        if (!dossier.endsWith(QLatin1Char('/')))
            dossier += QLatin1Char('/');
        const QFileInfo fichier(dossier + QStringLiteral("Stelor.ini"));
        if (fichier.exists() || FichierModifiable(dossier))
            return fichier.filePath();
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config)
        .filePath(QStringLiteral("Stelor/Stelor.ini"));
}

void OuvrirPreferences() { Pointer(EmplacementPreferencesParDefaut()); }

void FermerPreferences() { Pointer({}); }

bool PreferencesOuvertes() { return Ouvert; }

void FixerFichierPreferences(const QString& nom) { Pointer(nom); }

QString FichierPreferences() { return NomFichier; }

bool LireDefilImgTpsReel() { return LireBooleen(General, QStringLiteral("DefilImgTpsReel"), true); }
int32_t LireOffsetDetectEtoiles() { return LireEntier(General, QStringLiteral("OffsetDetectEtoiles"), 1000, 0); }
int32_t LireReglSeuilsVisu() { return LireEntier(General, QStringLiteral("ReglSeuilsVisu"), 60, 1, 100000); }
TCouleur LireCoulFondApp() { return LireEntier(General, QStringLiteral("CoulFondApp"), clAppWorkSpace); }
int32_t LireCodageImagesFits() { return LireEntier(General, QStringLiteral("CodageImagesFits"), 16, 1, 31); }
bool LireConfigLente() { return LireBooleen(General, QStringLiteral("ConfigLente"), false); }
int32_t LireLargMatriceCentroide() { return LireEntier(General, QStringLiteral("LargMatriceCentroide"), 5, 2, 1001); }
bool LireTranslationFract() { return LireBooleen(General, QStringLiteral("TranslationFract"), true); }

double LireSigmaMasqueFlou(int i)
{
    return LireReel(SectionSigmasMasqueFlou, QStringLiteral("Sigma%1").arg(i), SigmasParDefaut[IndexBorne(i)],
                    SigmaMin, SigmaMax);
}

double LireCoefMasqueFlou(int i)
{
    return LireReel(SectionCoefsMasqueFlou, QStringLiteral("Coef%1").arg(i), CoefficientsParDefaut[IndexBorne(i)],
                    CoefMin, CoefMax);
}

double LireSigmaGaussien(int i)
{
    return LireReel(SectionSigmasGaussien, QStringLiteral("Sigma%1").arg(i), SigmasParDefaut[IndexBorne(i)],
                    SigmaMin, SigmaMax);
}

void EcrireDefilImgTpsReel(bool valeur) { EcrireEntier(General, QStringLiteral("DefilImgTpsReel"), valeur ? 1 : 0); }
void EcrireOffsetDetectEtoiles(int32_t valeur) { EcrireEntier(General, QStringLiteral("OffsetDetectEtoiles"), valeur); }
void EcrireReglSeuilsVisu(int32_t valeur) { EcrireEntier(General, QStringLiteral("ReglSeuilsVisu"), valeur); }
void EcrireCoulFondApp(TCouleur valeur) { EcrireEntier(General, QStringLiteral("CoulFondApp"), valeur); }

void EcrireParametresMasqueFlou(double sigma1, double sigma2, double sigma3, double sigma4, double sigma5,
                                double coef1, double coef2, double coef3, double coef4, double coef5)
{
    const double sigmas[5] = {sigma1, sigma2, sigma3, sigma4, sigma5};
    const double coefs[5] = {coef1, coef2, coef3, coef4, coef5};
    for (int i = 0; i < 5; ++i)
        EcrireReel(SectionSigmasMasqueFlou, QStringLiteral("Sigma%1").arg(i + 1), sigmas[i]);
    for (int i = 0; i < 5; ++i)
        EcrireReel(SectionCoefsMasqueFlou, QStringLiteral("Coef%1").arg(i + 1), coefs[i]);
}

void EcrireSigmasGaussien(double sigma1, double sigma2, double sigma3, double sigma4, double sigma5)
{
    const double sigmas[5] = {sigma1, sigma2, sigma3, sigma4, sigma5};
    for (int i = 0; i < 5; ++i)
        EcrireReel(SectionSigmasGaussien, QStringLiteral("Sigma%1").arg(i + 1), sigmas[i]);
}

void ReinitialiserPreferences()
{
    const double* s = SigmasParDefaut;
    const double* c = CoefficientsParDefaut;
    EcrireDefilImgTpsReel(true);
    EcrireReglSeuilsVisu(60);
    EcrireOffsetDetectEtoiles(1000);
    EcrireCoulFondApp(clAppWorkSpace);
    EcrireSigmasGaussien(s[0], s[1], s[2], s[3], s[4]);
    EcrireParametresMasqueFlou(s[0], s[1], s[2], s[3], s[4], c[0], c[1], c[2], c[3], c[4]);
}

QString LireValeurIni(const QString& section, const QString& cle, const QString& defaut)
{
    return Lire(section, cle).value_or(defaut);
}

void EcrireValeurIni(const QString& section, const QString& cle, const QString& valeur)
{
    Ecrire(section, cle, valeur);
}
