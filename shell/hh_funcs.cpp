#include "hh_funcs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QVersionNumber>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString _ModulePath, _ModuleDir, _ModuleName, _RunDir;
QString RepertoireJournal;
bool ModeDebug = false;
TVersionFichier VersionHH, VersionNavigateur;
QString _hhVerStr, _hhFriendlyVerStr, _ieVerStr, _ieFriendlyVerStr;
bool _hhInstalled = false, _ieInstalled = false;
TDLogFile* JournalHH = nullptr;

namespace {
QStringList ArgumentsProgramme; // as InitialiserHHFuncs received them
}

namespace {

const QString NomJournal = QStringLiteral("HHDebug.txt");

struct TSeuil {
    int Majeur, Mineur, Release, Build;
    const char* Nom;
};

// Ordered from the lowest version up.
const TSeuil SeuilsHH[] = {
    {4, 72, 7290, 0, "1.0"},  {4, 72, 7323, 0, "1.1"},  {4, 72, 7325, 0, "1.1a"}, {4, 72, 8164, 0, "1.1b"},
    {4, 73, 8252, 0, "1.2"},  {4, 73, 8412, 0, "1.21"}, {4, 73, 8474, 0, "1.21a"}, {4, 73, 8561, 0, "1.22"},
    {4, 74, 8702, 0, "1.3"},  {4, 74, 8793, 0, "1.31"}, {4, 74, 8857, 0, "1.32"}, {4, 74, 9273, 0, "1.33"},
    {5, 2, 3626, 0, "1.4"},   {5, 2, 3669, 0, "1.4a"},  {5, 2, 3669, 1, "> 1.4a"},
};

const TSeuil SeuilsIE[] = {
    {4, 40, 308, 0, "Internet Explorer 1.0 (Plus!)"},
    {4, 40, 520, 0, "Internet Explorer 2.0"},
    {4, 70, 1155, 0, "Internet Explorer 3.0"},
    {4, 70, 1158, 0, "Internet Explorer 3.0 (OSR2)"},
    {4, 70, 1215, 0, "Internet Explorer 3.01"},
    {4, 70, 1300, 0, "Internet Explorer 3.02"},
    {4, 71, 544, 0, "Internet Explorer 4.0 Platform Preview 1.0 (PP1)"},
    {4, 71, 1008, 0, "Internet Explorer 4.0 Platform Preview 2.0 (PP2)"},
    {4, 71, 1712, 0, "Internet Explorer 4.0"},
    {4, 72, 2106, 0, "Internet Explorer 4.01"},
    {4, 72, 3110, 0, "Internet Explorer 4.01 Service Pack 1 (SP1)"},
    {4, 72, 3612, 0, "Internet Explorer 4.01 Service Pack 2 (SP2)"},
    {5, 0, 518, 0, "Internet Explorer 5 Developer Preview (Beta 1)"},
    {5, 0, 910, 0, "Internet Explorer 5 Beta (Beta 2)"},
    {5, 0, 2014, 0, "Internet Explorer 5.0"},
    {5, 0, 2314, 0, "Internet Explorer 5.0a"},
    {5, 0, 2614, 0, "Internet Explorer 5.0b"},
    {5, 0, 2721, 1400, "Internet Explorer 5.0 updated"},
    {5, 0, 2723, 2900, "Internet Explorer 5.0 updated"},
    {5, 0, 2919, 800, "Internet Explorer 5.01 (Windows 2000 RC1, build 5.00.2072)"},
    {5, 0, 2919, 3800, "Internet Explorer 5.01 (Windows 2000 RC2, build 5.00.2128)"},
    {5, 0, 2919, 6400, "Internet Explorer 5.01"},
    {5, 50, 3825, 1300, "Internet Explorer 5.5 Developer Preview"},
    {5, 50, 4030, 2400, "Internet Explorer 5.5 & Internet Tools Beta"},
    {5, 50, 4134, 100, "Internet Explorer 5.5 for Windows Me (4.90.3000)"},
    {5, 50, 4134, 600, "Internet Explorer 5.5"},
    {5, 50, 4308, 2900, "Internet Explorer 5.5 Advanced Security Privacy Beta"},
    {5, 50, 4522, 1800, "Internet Explorer 5.5 Service Pack 1"},
    {5, 50, 4807, 2300, "Internet Explorer 5.5 Service Pack 2"},
    {6, 0, 2462, 0, "Internet Explorer 6 Public Preview (Beta)"},
    {6, 0, 2479, 6, "Internet Explorer 6 Public Preview (Beta) Refresh"},
    {6, 0, 2600, 0, "Internet Explorer 6 (Windows XP)"},
    {6, 0, 2712, 300, "Internet Explorer 6 (Windows XP + minor update)"},
    {6, 0, 2800, 1106, "Internet Explorer 6 SP1"},
    {6, 0, 2900, 2180, "Internet Explorer 6 (Windows XP SP2)"},
    {6, 0, 3663, 0, "Internet Explorer 6 (Windows Server 2003 RC1)"},
    {6, 0, 3718, 0, "Internet Explorer 6 (Windows Server 2003 RC2)"},
    {6, 0, 3790, 0, "Internet Explorer 6 (Windows Server 2003)"},
    {7, 0, 0, 0, "> Internet Explorer 7"},
    {8, 0, 0, 0, "> Internet Explorer 8"},
};

template <size_t N>
QString NomVersion(const TVersionFichier& v, const TSeuil (&seuils)[N], const char* dessous)
{
    if (v.Texte.isEmpty())
        return {};
    QString nom = QString::fromUtf8(dessous);
    for (const TSeuil& s : seuils)
        if (ComparerVersions(v, Version(s.Majeur, s.Mineur, s.Release, s.Build)) >= 0)
            nom = QString::fromUtf8(s.Nom);
    return nom;
}

QString TexteVersion(const TVersionFichier& v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v.Majeur).arg(v.Mineur).arg(v.Release).arg(v.Build);
}

// The entry itself, not what a link points to.
struct stat EtatLien(const QString& nom, bool& existe)
{
    struct stat etat {};
    existe = ::lstat(QFile::encodeName(nom).constData(), &etat) == 0;
    return etat;
}

} // namespace

TVersionFichier Version(int majeur, int mineur, int release, int build)
{
    TVersionFichier v;
    v.Majeur = static_cast<uint16_t>(majeur);
    v.Mineur = static_cast<uint16_t>(mineur);
    v.Release = static_cast<uint16_t>(release);
    v.Build = static_cast<uint16_t>(build);
    v.Texte = TexteVersion(v);
    return v;
}

int ComparerVersions(const TVersionFichier& a, const TVersionFichier& b)
{
    const uint16_t x[4] = {a.Majeur, a.Mineur, a.Release, a.Build};
    const uint16_t y[4] = {b.Majeur, b.Mineur, b.Release, b.Build};
    for (int i = 0; i < 4; ++i)
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    return 0;
}

QString NomVersionHH(const TVersionFichier& v) { return NomVersion(v, SeuilsHH, "< 1.0"); }
QString NomVersionIE(const TVersionFichier& v) { return NomVersion(v, SeuilsIE, "< Internet Explorer 1.0 (Plus!)"); }

TVersionFichier VersionFichier(const QString& /*fichier*/) { return {}; }
QString ChaineVersionFichier(const QString& fichier) { return VersionFichier(fichier).Texte; }

TVersionFichier CorrigerVersionIE(TVersionFichier v)
{
    if (v.Majeur == 4 && v.Mineur < 71 && v.Release == 0) {
        v.Release = v.Build;
        v.Build = 0;
        v.Texte = TexteVersion(v);
    }
    return v;
}

TVersionFichier VersionIE() { return CorrigerVersionIE(VersionFichier(QStringLiteral("Shdocvw.dll"))); }

QString SupprimerCaracteresFinaux(const QString& texte, QChar caractere)
{
    qsizetype n = texte.size();
    while (n > 0 && texte[n - 1] == caractere)
        --n;
    return texte.left(n);
}

QString RepeterCaractere(QChar caractere, int n) { return n > 0 ? QString(n, caractere) : QString(); }

QString OuiNon(bool valeur) { return valeur ? QStringLiteral("YES") : QStringLiteral("NO"); }

QString RepertoireTemporaire()
{
    const QString dossier = SupprimerCaracteresFinaux(QDir::tempPath(), QLatin1Char('/'));
    return !dossier.isEmpty() && QFileInfo(dossier).isDir() ? dossier : QStringLiteral("/tmp");
}

QString FormaterTexte(const QString& format, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return format;
    QString texte;
    qsizetype suivant = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size() &&
            (format[i + 1] == QLatin1Char('s') || format[i + 1] == QLatin1Char('d'))) {
            texte += suivant < arguments.size() ? arguments[suivant] : QString();
            ++suivant;
            ++i;
        } else {
            texte += format[i];
        }
    }
    return texte;
}

bool EstRepertoireInscriptible(const QString& dossier)
{
    if (dossier.isEmpty() || !QFileInfo(dossier).isDir())
        return false;
    // A file of that name left by someone else is not ours to delete.
    QFile essai(dossier + QStringLiteral("/$_Temp_$.$$$"));
    if (!essai.open(QIODevice::ReadWrite | QIODevice::NewOnly))
        return false;
    essai.close();
    essai.remove();
    return true;
}

bool EstModeDebug(const QString& dossierProgramme, const QStringList& parametres)
{
    if (QFileInfo::exists(dossierProgramme + QStringLiteral("/debug.debug")))
        return true;
    for (const QString& p : parametres)
        if (p.compare(QStringLiteral("/debug"), Qt::CaseInsensitive) == 0 ||
            p.compare(QStringLiteral("-debug"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// ---------------------------------------------------------------------------

TDLogFile::TDLogFile(const QString& dossier, bool actif, bool prefixeHeure, bool entete, bool ajout)
    : FActif(actif), FPrefixeHeure(prefixeHeure), FEntete(entete), FAjout(ajout)
{
    QString d = dossier.isEmpty() ? RepertoireJournal : SupprimerCaracteresFinaux(dossier, QLatin1Char('/'));
    if (!EstRepertoireInscriptible(d))
        d = RepertoireTemporaire();
    FNomFichier = d + QLatin1Char('/') + NomJournal;
    bool existe = false;
    const struct stat etat = EtatLien(FNomFichier, existe);
    // A link is removed, never followed; a folder or a device stays.
    if (existe && !FAjout && (S_ISREG(etat.st_mode) || S_ISLNK(etat.st_mode)))
        ::unlink(QFile::encodeName(FNomFichier).constData());
    if (FActif && FEntete)
        EcrireEntete();
}

void TDLogFile::EcrireLigne(const QString& format, const QStringList& arguments)
{
    if (!FActif)
        return;
    QString texte = FormaterTexte(format, arguments);
    if (texte == QLatin1String("-") || texte == QLatin1String("="))
        texte = RepeterCaractere(texte[0], 80);
    QString ligne;
    if (!texte.isEmpty() && (texte[0] == QLatin1Char('!') || texte[0] == QLatin1Char('-') ||
                             texte[0] == QLatin1Char('=')))
        ligne = texte.mid(1);
    else if (FPrefixeHeure)
        ligne = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) +
                QStringLiteral("   ") + texte;
    else
        ligne = texte;
    const int f = ::open(QFile::encodeName(FNomFichier).constData(),
                         O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (f < 0)
        return;
    struct stat etat {};
    if (::fstat(f, &etat) == 0 && S_ISREG(etat.st_mode)) {
        const QByteArray octets = ligne.toUtf8() + '\n';
        [[maybe_unused]] const ssize_t n = ::write(f, octets.constData(), static_cast<size_t>(octets.size()));
    }
    ::close(f);
}

void TDLogFile::EcrireEntete()
{
    const QVersionNumber noyau = QVersionNumber::fromString(QSysInfo::kernelVersion());
    const QLocale locale = QLocale::system();
    const int langue = static_cast<int>(locale.language());
    const int territoire = static_cast<int>(locale.territory());
    auto code = [](int v) {
        return QStringList{QStringLiteral("0x") + QStringLiteral("%1").arg(v & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(),
                           QString::number(v)};
    };
    QStringList parametres = ArgumentsProgramme;
    if (parametres.isEmpty() && QCoreApplication::instance())
        parametres = QCoreApplication::arguments();
    const QString ligneCommande = parametres.join(QLatin1Char(' '));
    if (!parametres.isEmpty())
        parametres.removeFirst();

    EcrireLigne(QStringLiteral("="));
    EcrireLigne(QStringLiteral("!Log File:             \t%s"), {FNomFichier});
    EcrireLigne(QStringLiteral("!Date:                 \t%s"),
                {QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))});
    EcrireLigne(QStringLiteral("!Operating System:      \t%s %d.%d (Build %d) %s"),
                {QSysInfo::kernelType(), QString::number(noyau.majorVersion()), QString::number(noyau.minorVersion()),
                 QString::number(noyau.microVersion()), QSysInfo::prettyProductName()});
    EcrireLigne(QStringLiteral("!SysLocale.DefaultLCID: \t%s (%s)"), code(territoire << 10 | langue));
    EcrireLigne(QStringLiteral("!SysLocale.PriLangID:   \t%s (%s)"), code(langue));
    EcrireLigne(QStringLiteral("!SysLocale.SubLangID:   \t%s (%s)"), code(territoire));
    EcrireLigne(QStringLiteral("!DecimalSeparator:      \t%s"), {QStringLiteral(",")});
    EcrireLigne(QStringLiteral("-"));
    EcrireLigne(QStringLiteral("!EXE Path =          \t%s"), {_ModulePath});
    EcrireLigne(QStringLiteral("!EXE Version =       \t%s"), {ChaineVersionFichier(_ModulePath)});
    EcrireLigne(QStringLiteral("!Cmdline Param(s) =  \t%s"), {parametres.join(QStringLiteral(" | "))});
    EcrireLigne(QStringLiteral("!Actual CmdLine =  \t%s"), {ligneCommande});
    EcrireLigne(QStringLiteral("!_RunDir =           \t%s"), {_RunDir});
    EcrireLigne(QStringLiteral("!_ModuleName =       \t%s"), {_ModuleName});
    EcrireLigne(QStringLiteral("!_ModuleDir =        \t%s"), {_ModuleDir});
    EcrireLigne(QStringLiteral("!_ModulePath =        \t%s"), {_ModulePath});
    EcrireLigne(QStringLiteral("!Module Version =       \t%s"), {ChaineVersionFichier(_ModulePath)});
    EcrireLigne(QStringLiteral("-"));
    EcrireLigne(QStringLiteral("!_hhInstalled =      \t%s"), {OuiNon(_hhInstalled)});
    EcrireLigne(QStringLiteral("!_hhVerStr =         \t%s"), {_hhVerStr});
    EcrireLigne(QStringLiteral("!_hhFriendlyVerStr = \t%s"), {_hhFriendlyVerStr});
    EcrireLigne(QStringLiteral("-"));
    EcrireLigne(QStringLiteral("!_ieInstalled =      \t%s"), {OuiNon(_ieInstalled)});
    EcrireLigne(QStringLiteral("!_ieVerStr =         \t%s"), {_ieVerStr});
    EcrireLigne(QStringLiteral("!_ieFriendlyVerStr = \t%s"), {_ieFriendlyVerStr});
    EcrireLigne(QStringLiteral("="));
}

// ---------------------------------------------------------------------------

void InitialiserHHFuncs(const QStringList& arguments)
{
    ArgumentsProgramme = arguments;
    _ModulePath = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QFileInfo module(_ModulePath);
    _ModuleDir = SupprimerCaracteresFinaux(module.absolutePath(), QLatin1Char('/'));
    _ModuleName = module.fileName();
    _RunDir = arguments.isEmpty()
                  ? _ModuleDir
                  : SupprimerCaracteresFinaux(QFileInfo(arguments.first()).absolutePath(), QLatin1Char('/'));
    RepertoireJournal = EstRepertoireInscriptible(_ModuleDir) ? _ModuleDir : RepertoireTemporaire();
    ModeDebug = EstModeDebug(_ModuleDir, arguments.mid(1));

    VersionHH = VersionFichier(QString());
    _hhVerStr = VersionHH.Texte;
    _hhInstalled = !_hhVerStr.isEmpty();
    _hhFriendlyVerStr = NomVersionHH(VersionHH);
    VersionNavigateur = VersionIE();
    _ieVerStr = VersionNavigateur.Texte;
    _ieInstalled = !_ieVerStr.isEmpty();
    _ieFriendlyVerStr = NomVersionIE(VersionNavigateur);

    delete JournalHH;
    JournalHH = new TDLogFile(RepertoireJournal, ModeDebug);
}

void TerminerHHFuncs()
{
    delete JournalHH;
    JournalHH = nullptr;
}
