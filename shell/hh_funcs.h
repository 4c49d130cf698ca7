#pragma once
// What the help support records at start-up: the program's paths, the
// debug mode, the versions of the help viewer and of the browser control,
// and an optional debug log "HHDebug.txt". Programs here carry no version
// resource, so every version reads as zeros and an empty text.
#include <QString>
#include <QStringList>
#include <cstdint>

struct TVersionFichier {
    uint16_t Majeur = 0, Mineur = 0, Release = 0, Build = 0;
    QString Texte; // "majeur.mineur.release.build", empty without a version
};

// Program file, its folder and name (folders without a trailing '/').
extern QString _ModulePath, _ModuleDir, _ModuleName, _RunDir;
extern QString RepertoireJournal; // _ModuleDir when writable, else the temporary folder
extern bool ModeDebug;
extern TVersionFichier VersionHH, VersionNavigateur;
extern QString _hhVerStr, _hhFriendlyVerStr, _ieVerStr, _ieFriendlyVerStr;
extern bool _hhInstalled, _ieInstalled;

// The unit's start: paths, log folder, debug mode (from the program's
// folder and the command line, argument 0 being the program), versions, and
// the log (the one of an earlier run is deleted; in debug mode a header is
// written). The end frees the log.
void InitialiserHHFuncs(const QStringList& arguments);
void TerminerHHFuncs();

// Debug mode: a file "debug.debug" in the folder, or a parameter "/debug"
// or "-debug" in any letter case.
bool EstModeDebug(const QString& dossierProgramme, const QStringList& parametres);

// A file "$_Temp_$.$$$" can be created in the folder (it is deleted at once).
bool EstRepertoireInscriptible(const QString& dossier);

// The fixed version of a file's version resource: always zeros and an empty
// text here, as for a Windows file without one.
TVersionFichier VersionFichier(const QString& fichier);
QString ChaineVersionFichier(const QString& fichier);
// The version of a 4.x browser control whose build sits in the release
// place moves it back (4.70.0.1155 -> 4.70.1155.0).
TVersionFichier CorrigerVersionIE(TVersionFichier v);
TVersionFichier VersionIE();
// -1, 0 or 1, field by field from the major number to the build.
int ComparerVersions(const TVersionFichier& a, const TVersionFichier& b);
TVersionFichier Version(int majeur, int mineur, int release, int build);
// Friendly names: that of the highest threshold reached; empty without a version text.
QString NomVersionHH(const TVersionFichier& v);
QString NomVersionIE(const TVersionFichier& v);

// Small text helpers.
QString SupprimerCaracteresFinaux(const QString& texte, QChar caractere);
QString RepeterCaractere(QChar caractere, int n);
QString OuiNon(bool valeur); // "YES" / "NO"
// Temporary folder without its trailing '/'; "/tmp" when the system's is not a folder.
QString RepertoireTemporaire();
// "%s" and "%d" filled in order by the arguments.
QString FormaterTexte(const QString& format, const QStringList& arguments);

// The help support's debug log. It writes only a file "HHDebug.txt" in its
// folder, never through a symbolic link and never over anything but a
// plain file; write failures are silent.
class TDLogFile {
public:
    // An empty folder stands for the log folder; a folder that is not
    // writable for the temporary folder. Without append, an existing log is
    // deleted; with enabled and header, the header is written.
    TDLogFile(const QString& dossier, bool actif, bool prefixeHeure = true, bool entete = true,
              bool ajout = false);

    const QString& NomFichier() const { return FNomFichier; }
    bool Actif() const { return FActif; }

    // One line; "-" and "=" alone are rules of 79 characters; a text that
    // begins with '!', '-' or '=' loses that character and the time prefix.
    void EcrireLigne(const QString& format, const QStringList& arguments = {});
    void EcrireEntete();

private:
    QString FNomFichier;
    bool FActif, FPrefixeHeure, FEntete, FAjout;
};

extern TDLogFile* JournalHH;
