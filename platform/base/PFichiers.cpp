#include "PFichiers.h"

#include "PErreurs.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::function<int(const QString&, TEtapeFichier)>& Panne()
{
    static std::function<int(const QString&, TEtapeFichier)> panne;
    return panne;
}

int PanneEssai(const QString& nom, TEtapeFichier etape) { return Panne() ? Panne()(nom, etape) : 0; }

QByteArray Chemin(const QString& nom) { return QFile::encodeName(nom); }

QString Dossier(const QString& nom) { return QFileInfo(nom).absolutePath(); }

// Why a name that exists is not a regular file.
QString CauseNonOrdinaire(mode_t mode)
{
    if (S_ISDIR(mode))
        return CauseErreurSysteme(EISDIR);
    if (S_ISFIFO(mode))
        return QStringLiteral("c'est un tube nommé (FIFO), pas un fichier ordinaire");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("c'est un périphérique, pas un fichier ordinaire");
    if (S_ISSOCK(mode))
        return QStringLiteral("c'est une prise de communication (socket), pas un fichier ordinaire");
    return QStringLiteral("ce n'est pas un fichier ordinaire");
}

[[noreturn]] void RefuserNonOrdinaire(TSensFichier sens, const QString& nom, mode_t mode)
{
    LeverErreurFichier(ES_AccesRefuse, sens, nom, CauseNonOrdinaire(mode));
}

// A missing folder is told as such, with its own code.
[[noreturn]] void LeverErreurChemin(TSensFichier sens, const QString& nom, int erreur, const QString& dossier)
{
    if (erreur == ENOENT && !QFileInfo(dossier).isDir())
        LeverErreurFichier(ES_CheminIntrouvable, sens, nom, QStringLiteral("son dossier « %1 » n'existe pas").arg(dossier));
    LeverErreurSysteme(sens, nom, erreur);
}
[[noreturn]] void LeverErreurChemin(TSensFichier sens, const QString& nom, int erreur)
{
    LeverErreurChemin(sens, nom, erreur, Dossier(nom));
}

// A new file that no name held before: O_EXCL never follows a link.
// `nom` is the file the user asked for, named by the errors.
int CreerExclusif(const QString& modele, mode_t mode, const QString& nom, QString& cree)
{
    const qsizetype x = modele.lastIndexOf(QLatin1String("XXXXXX"));
    static const char lettres[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    int erreur = EEXIST;
    for (int essai = 0; essai < 100 && erreur == EEXIST; ++essai) {
        QString candidat = modele;
        for (qsizetype i = 0; x >= 0 && i < 6; ++i)
            candidat[x + i] = QLatin1Char(lettres[QRandomGenerator::global()->bounded(62)]);
        erreur = PanneEssai(nom, TEtapeFichier::Creation);
        if (erreur != 0)
            break;
        const int fd = ::open(Chemin(candidat).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) {
            cree = candidat;
            return fd;
        }
        erreur = errno;
        if (x < 0)
            break;
    }
    if (erreur == EACCES || erreur == EPERM)
        LeverErreurFichier(ES_AccesRefuse, TSensFichier::Ecriture, nom,
                           QStringLiteral("le dossier « %1 » n'accepte pas de nouveau fichier (permission refusée)")
                               .arg(Dossier(modele)));
    LeverErreurChemin(TSensFichier::Ecriture, nom, erreur, Dossier(modele));
}

// Writes everything at the descriptor's position; 0 or the system error.
int EcrireTout(int fd, const char* donnees, qint64 taille, const QString& nom)
{
    if (const int panne = PanneEssai(nom, TEtapeFichier::Ecriture))
        return panne;
    for (qint64 fait = 0; fait < taille;) {
        const ssize_t n = ::write(fd, donnees + fait, static_cast<size_t>(taille - fait));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        fait += n;
    }
    return 0;
}

// The device the writers write into: straight to the descriptor, keeping
// the system's error so that the message can say why.
class TSortie : public QIODevice {
public:
    TSortie(int fd, QString nom) : FDescripteur(fd), FNom(std::move(nom)) {}
    int Erreur() const { return FErreur; }

protected:
    // Written front to back: a writer that seeks back would corrupt the file.
    bool isSequential() const override { return true; }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* donnees, qint64 taille) override
    {
        if (FErreur == 0)
            FErreur = EcrireTout(FDescripteur, donnees, taille, FNom);
        return FErreur == 0 ? taille : -1;
    }

private:
    int FDescripteur;
    QString FNom;
    int FErreur = 0;
};

// The file a write reaches: a link is followed to its end, so that a save
// onto a link the user made keeps the link.
QString CibleEcriture(const QString& nom)
{
    QString cible = nom;
    for (int n = 0; n < 40; ++n) {
        const QFileInfo info(cible);
        if (!info.isSymLink())
            break;
        cible = info.symLinkTarget();
    }
    return cible;
}

// The temporary file of a write, deleted unless renamed over the target.
struct TBrouillon {
    int Descripteur = -1;
    QString Nom;
    ~TBrouillon()
    {
        if (Descripteur >= 0)
            ::close(Descripteur);
        if (!Nom.isEmpty())
            ::unlink(Chemin(Nom).constData());
    }
};

[[noreturn]] void LeverFinAvantDonnees(const QString& nom)
{
    LeverErreurFichier(ES_LectureApresFin, TSensFichier::Lecture, nom,
                       QStringLiteral("il s'arrête avant la fin de ses données"));
}

// Reads exactly `octets` bytes from the position. A file cut while it is
// read may hand back zeros for what it lost, as though read: its size once
// the bytes are in tells, so the read fails then as it would have.
void LireA(int fd, qint64 position, char* dest, qint64 octets, const QString& nom)
{
    for (qint64 lus = 0; lus < octets;) {
        const ssize_t n = ::pread(fd, dest + lus, static_cast<size_t>(octets - lus), position + lus);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            LeverErreurFichier(ES_LectureApresFin, TSensFichier::Lecture, nom, CauseErreurSysteme(errno));
        if (n == 0) // the file shrank since its size was taken
            LeverFinAvantDonnees(nom);
        lus += n;
    }
    if (const int panne = PanneEssai(nom, TEtapeFichier::FinLecture))
        LeverErreurSysteme(TSensFichier::Lecture, nom, panne);
    struct stat etat {};
    if (::fstat(fd, &etat) != 0)
        LeverErreurSysteme(TSensFichier::Lecture, nom, errno);
    if (etat.st_size < position + octets)
        LeverFinAvantDonnees(nom);
}

} // namespace

void FixerPanneFichierEssai(std::function<int(const QString&, TEtapeFichier)> panne) { Panne() = std::move(panne); }

void OuvrirFichierLecture(QFile& f, const QString& nom)
{
    if (const int panne = PanneEssai(nom, TEtapeFichier::Ouverture))
        LeverErreurChemin(TSensFichier::Lecture, nom, panne);
    struct stat avant {};
    if (::stat(Chemin(nom).constData(), &avant) != 0)
        LeverErreurChemin(TSensFichier::Lecture, nom, errno);
    if (!S_ISREG(avant.st_mode))
        RefuserNonOrdinaire(TSensFichier::Lecture, nom, avant.st_mode);
    // Opened here without waiting, so that a name swapped for a pipe since
    // the look cannot block, and with the system's own reason on failure.
    const int fd = ::open(Chemin(nom).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        LeverErreurChemin(TSensFichier::Lecture, nom, errno);
    struct stat ouvert {};
    if (::fstat(fd, &ouvert) != 0 || ouvert.st_dev != avant.st_dev || ouvert.st_ino != avant.st_ino) {
        ::close(fd);
        LeverErreurFichier(ES_AccesRefuse, TSensFichier::Lecture, nom,
                           QStringLiteral("il a été remplacé pendant son ouverture"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        LeverErreurChemin(TSensFichier::Lecture, nom, EIO);
    }
    // A file opened from its descriptor has no name of its own: the read
    // errors take this one.
    f.setObjectName(nom);
}

void LireExactement(QFile& f, char* dest, qint64 octets)
{
    const qint64 position = f.pos();
    LireExactementA(f, position, dest, octets);
    f.seek(position + octets);
}

void LireExactementA(QFile& f, qint64 position, char* dest, qint64 octets)
{
    // A file opened from its descriptor has no name of its own.
    const QString nom = f.fileName().isEmpty() ? f.objectName() : f.fileName();
    if (const int panne = PanneEssai(nom, TEtapeFichier::Lecture))
        LeverErreurSysteme(TSensFichier::Lecture, nom, panne);
    LireA(f.handle(), position, dest, octets, nom);
}

QByteArray LireFichierComplet(const QString& nom)
{
    QFile f;
    OuvrirFichierLecture(f, nom);
    QByteArray donnees(f.size(), Qt::Uninitialized);
    LireExactement(f, donnees.data(), donnees.size());
    return donnees;
}

void EcrireFichierSur(const QString& nom, const std::function<void(QIODevice&)>& ecrire)
{
    const QString cible = CibleEcriture(nom);
    const QByteArray chemin = Chemin(cible);
    struct stat etat {};
    const bool existe = ::stat(chemin.constData(), &etat) == 0;
    if (!existe && errno != ENOENT)
        LeverErreurChemin(TSensFichier::Ecriture, nom, errno);
    if (existe && !S_ISREG(etat.st_mode))
        RefuserNonOrdinaire(TSensFichier::Ecriture, nom, etat.st_mode);
    // A rename would replace a file that its owner made read-only.
    if (existe && ::access(chemin.constData(), W_OK) != 0) {
        if (errno != EACCES)
            LeverErreurSysteme(TSensFichier::Ecriture, nom, errno);
        LeverErreurFichier(ES_AccesRefuse, TSensFichier::Ecriture, nom,
                           QStringLiteral("il est protégé en écriture (permission refusée)"));
    }
    TBrouillon brouillon;
    brouillon.Descripteur = CreerExclusif(cible + QStringLiteral(".XXXXXX"), 0666, nom, brouillon.Nom);
    if (existe)
        ::fchmod(brouillon.Descripteur, etat.st_mode & 07777);
    TSortie sortie(brouillon.Descripteur, nom);
    sortie.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    try {
        ecrire(sortie); // may throw: the temporary file then goes
    } catch (const EStelor&) {
        if (sortie.Erreur() != 0)
            LeverErreurSysteme(TSensFichier::Ecriture, nom, sortie.Erreur());
        throw;
    }
    if (sortie.Erreur() != 0)
        LeverErreurSysteme(TSensFichier::Ecriture, nom, sortie.Erreur());
    // On the disk before the rename, so that a crash leaves the old file or the new one.
    if (::fdatasync(brouillon.Descripteur) != 0)
        LeverErreurSysteme(TSensFichier::Ecriture, nom, errno);
    const int fd = std::exchange(brouillon.Descripteur, -1);
    if (::close(fd) != 0)
        LeverErreurSysteme(TSensFichier::Ecriture, nom, errno);
    if (::rename(Chemin(brouillon.Nom).constData(), chemin.constData()) != 0)
        LeverErreurSysteme(TSensFichier::Ecriture, nom, errno);
    brouillon.Nom.clear();
}

void EcrireFichierSur(const QString& nom, const QByteArray& contenu)
{
    EcrireFichierSur(nom, [&](QIODevice& d) {
        if (d.write(contenu) != contenu.size())
            LeverErreurFichier(ES_ErreurEcriture);
    });
}

TFichierTemporaire::TFichierTemporaire(const QString& modele)
{
    FDescripteur = CreerExclusif(modele, 0600, modele, FNom);
}

TFichierTemporaire::~TFichierTemporaire()
{
    if (FDescripteur >= 0)
        ::close(FDescripteur);
    if (!FNom.isEmpty())
        ::unlink(Chemin(FNom).constData());
}

void TFichierTemporaire::Ecrire(const char* donnees, qint64 octets)
{
    if (const int erreur = EcrireTout(FDescripteur, donnees, octets, FNom))
        LeverErreurSysteme(TSensFichier::Ecriture, FNom, erreur);
}

qint64 TFichierTemporaire::Taille() const
{
    struct stat etat {};
    if (::fstat(FDescripteur, &etat) != 0)
        LeverErreurSysteme(TSensFichier::Lecture, FNom, errno);
    return etat.st_size;
}

void TFichierTemporaire::Lire(qint64 position, char* dest, qint64 octets) const
{
    LireA(FDescripteur, position, dest, octets, FNom);
}

QByteArray TFichierTemporaire::Relire() const
{
    QByteArray donnees(Taille(), Qt::Uninitialized);
    Lire(0, donnees.data(), donnees.size());
    return donnees;
}

void TFichierTemporaire::Supprimer()
{
    ::close(std::exchange(FDescripteur, -1));
    const QString nom = std::exchange(FNom, QString());
    if (::unlink(Chemin(nom).constData()) != 0 && errno != ENOENT)
        LeverErreur(QStringLiteral("Impossible de supprimer le fichier temporaire « %1 » : %2.")
                        .arg(nom, CauseErreurSysteme(errno)));
}
