#pragma once
// Batch save of a selection of files: every listed file copied, or converted
// to FIT, BMP or JPEG, into one folder under numbered names, with a report.
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace Ui {
class TEnregistrementSelection;
}

// One entry of the source list: a file name, its folder (with its trailing
// '/') and whether it is ticked.
struct TFichierSelection {
    QString Nom;
    QString Dossier;
    bool Coche = false;
};

// What the run does with one file.
enum class TGenreEnregistrement { Copie, Fit, PlansFit, Bmp, Jpeg };

struct TTacheEnregistrement {
    QString Source;           // folder + name
    QString Destination;      // the new name
    TGenreEnregistrement Genre = TGenreEnregistrement::Copie;
    QStringList Ecrits;       // every file the run writes for it
};

// The settings of one run.
struct TReglagesEnregistrement {
    QString Dossier;
    QString Entete;
    int64_t Depart = 1;
    int64_t Increment = 1;
    bool Zeros = false;
    bool Conversion = false;
    int Format = 0;           // TConversionImages::FormatFit, FormatBmp, FormatJpeg
    int Couleurs = 0;         // TConversionImages::CouleursMoyenne, CouleursPlansSepares
    int Qualite = 100;
};

// Decimal index, padded with '0' to the length of the last one when asked.
QString TexteIndice(int64_t indice, int64_t dernier, bool zeros);
// The extension a listed file gets: the target format's, or its own (after
// the first '.' of its name).
QString ExtensionDestination(const QString& nom, const TReglagesEnregistrement& r);
// Names of the three plane files of a destination: red, green, blue.
QStringList NomsPlans(const QString& destination);
// One task per listed file, in order. A bitmap split into planes is looked
// at (its header only) to know whether it gives one file or three.
std::vector<TTacheEnregistrement> PlanifierEnregistrement(const QList<TFichierSelection>& fichiers,
                                                          const TReglagesEnregistrement& r);
// The first file a run would write over one of its own sources (canonical
// paths), or empty.
QString SourceEcrasee(const std::vector<TTacheEnregistrement>& taches);
// Runs one task; throws EStelor on failure (the destination then stays as it was).
void ExecuterTache(const TTacheEnregistrement& tache, int qualite);

class TEnregistrementSelection : public QDialog {
    Q_OBJECT
public:
    explicit TEnregistrementSelection(QWidget* parent = nullptr);
    ~TEnregistrementSelection() override;

    // The viewer's list and the folder of its selected entry; the folder is
    // taken only while the destination is empty.
    void Initialiser(const QList<TFichierSelection>& liste, const QString& dossier);

    void ReconstruireListe();
    void AfficherApercu();
    QList<TFichierSelection> FichiersListes() const { return FListe; }
    TReglagesEnregistrement Reglages() const;
    void BtnOKClick();
    void BtBtnDossierClick();
    void ChckBxConversionClick();
    void Enregistrer(const std::vector<TTacheEnregistrement>& taches);
    void BtnImprimerClick();
    int NombreErreurs() const { return FErreurs; }

    std::unique_ptr<Ui::TEnregistrementSelection> ui;

protected:
    void showEvent(QShowEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void AjouterRapport(const QString& texte, int couleur, bool finLigne);
    QList<TFichierSelection> FSource;
    QList<TFichierSelection> FListe;
    int FChoixListe = -1;
    int FErreurs = 0;
    bool FEnCours = false;
};

extern TEnregistrementSelection* EnregistrementSelection;
