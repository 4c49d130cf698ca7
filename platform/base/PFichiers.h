#pragma once
// File access with the class library's error behaviour: every failure throws
// EErreurFichier whose text names the file and says why, in French. Every
// read and write of the program goes through here. Writes never leave a
// half-written file under the target name.
#include <QByteArray>
#include <QString>
#include <functional>

class QFile;
class QIODevice;

// Opens the file for reading. Anything but a regular file (a folder, a named
// pipe, a device) is refused before it is opened: opening a named pipe would
// wait for a writer for ever.
void OuvrirFichierLecture(QFile& f, const QString& nom);

// Reads exactly `octets` bytes; a file that ends first, or that was cut
// while it was read, raises the read error.
void LireExactement(QFile& f, char* dest, qint64 octets);

// The same from a position, without moving the file's own: several threads
// may read one file at once.
void LireExactementA(QFile& f, qint64 position, char* dest, qint64 octets);

// Whole file in one block.
QByteArray LireFichierComplet(const QString& nom);

// Writes through a temporary file in the same folder, renamed over the target
// only when everything is written; on failure the old file stays as it was.
// A link is followed to its file; a target that exists but is not a regular
// file is refused.
void EcrireFichierSur(const QString& nom, const std::function<void(QIODevice&)>& ecrire);
void EcrireFichierSur(const QString& nom, const QByteArray& contenu);

// A scratch file of a unique name (the XXXXXX of the model replaced),
// created exclusively: never through a name or a link that was there before;
// only its owner may read it. Deleted with the object.
class TFichierTemporaire {
public:
    explicit TFichierTemporaire(const QString& modele);
    ~TFichierTemporaire();
    TFichierTemporaire(const TFichierTemporaire&) = delete;
    TFichierTemporaire& operator=(const TFichierTemporaire&) = delete;

    const QString& Nom() const { return FNom; }
    // Appends at the end of what was written.
    void Ecrire(const char* donnees, qint64 octets);
    void Ecrire(const QByteArray& contenu) { Ecrire(contenu.constData(), contenu.size()); }
    // Read back through the same handle: `octets` bytes from a position, or
    // the whole content; and its size.
    void Lire(qint64 position, char* dest, qint64 octets) const;
    QByteArray Relire() const;
    qint64 Taille() const;
    // Deletes it now; a file that stays raises the error.
    void Supprimer();

private:
    int FDescripteur = -1;
    QString FNom;
};

// Tests only: a system error number (errno) to meet instead of the real
// answer, per file and step; 0 lets the step run (a test may change the file
// then: Lecture comes before each LireExactement, FinLecture after its bytes
// are in and before the file's size is taken again). An empty function ends it.
enum class TEtapeFichier { Ouverture, Creation, Ecriture, Lecture, FinLecture };
void FixerPanneFichierEssai(std::function<int(const QString& nom, TEtapeFichier etape)> panne);
