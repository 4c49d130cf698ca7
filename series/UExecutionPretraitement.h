#pragma once
// The preprocessing run: master frames, calibration, registration, level
// adjustment and stacking of a series of files, with its coloured report.
// It works on files but never in the users' folders: every intermediate goes
// into a private folder of its own, deleted at the end (kept, in a folder
// made for the run, when asked). Nothing here needs a window: the
// preprocessing window hands over its lists and settings and shows the
// report and the result.
#include "UArithmetique.h"
#include "UBmp.h"
#include "UFit.h"
#include "URegistration.h"

#include <QColor>
#include <QList>
#include <QString>
#include <functional>

// One listed file as the lists hold it: its folder and its name.
struct TFichierSerie {
    QString Dossier;
    QString Nom;
    QString Chemin() const;
};

enum : int { RegistrationStellaire = 0, RegistrationPlanetaire = 1, RegistrationAucune = 2 };
enum : int { CombinaisonMediane = 0, CombinaisonMoyenne = 1 };

struct TReglagesPretraitement {
    int TypeImages = 0; // 1 FIT, 2 BMP
    QList<TFichierSerie> Brutes, Darks, Flats, Offsets;
    int CombinaisonDark = CombinaisonMediane;
    int CombinaisonFlat = CombinaisonMediane;
    int CombinaisonOffset = CombinaisonMediane;
    int Registration = RegistrationStellaire;
    int CoefPlanetaire = 1;     // 1 to 5
    int PlanRegistration = 1;   // BMP colour plane: 0 red, 1 green, 2 blue
    TCadre Cadre;               // the registration frame
    int Reference = 0;          // index of the reference raw frame
    bool Addition = false;      // stack by sum instead of mean
    bool AjustementNiveaux = true;
    bool Conserver = false;
    bool Compositer = true;

    bool CadreDefini() const { return EstCadreDefini(Cadre); }
};

// Appends one line of the report in its colour (an empty text: an empty line).
using TLigneRapport = std::function<void(const QString& texte, const QColor& couleur)>;

struct TResultatPretraitement {
    bool Compose = false;       // a stacked image is in ResultatFit / ResultatBmp
    QString DossierConserve;    // where the intermediates were kept, when asked
};

// The whole run. On success the result objects receive the stacked image
// (when "Compositer" is on; otherwise they are emptied). On any failure it
// throws with a French message naming the file, leaves both result objects
// as they were, and removes every intermediate file.
TResultatPretraitement ExecuterPretraitement(const TReglagesPretraitement& reglages, const TLigneRapport& rapport,
                                             const TProgression& progression, THistoFit& resultatFit,
                                             THistoBmp& resultatBmp);

// True when a shift of (dx, dy) leaves no pixel of a largeur x hauteur image
// in it: at least the width along x or the height along y, or not a number.
bool DecalageHorsImage(double dx, double dy, int32_t largeur, int32_t hauteur);

// The registration report's text for one shift, e.g. "+1,50000...\t-0,25000...\t".
QString TexteDecalage(double dx, double dy);
