#include "UEnregistrementSelection.h"

#include "ui_UEnregistrementSelection.h"

#include "PApplication.h"
#include "PCurseur.h"
#include "PDialogues.h"
#include "PImpression.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "UBmp.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UExportation.h"
#include "UFit.h"
#include "UJpeg.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidgetItem>
#include <limits>

TEnregistrementSelection* EnregistrementSelection = nullptr;

namespace {

QString AvecBarre(const QString& dossier)
{
    return dossier.isEmpty() || dossier.endsWith(QLatin1Char('/')) ? dossier : dossier + QLatin1Char('/');
}

// The text after the last '.' of a name, lower case.
QString DerniereExtension(const QString& nom)
{
    const QString court = NomFichierSansChemin(nom);
    const int p = court.lastIndexOf(QLatin1Char('.'));
    return p < 0 ? QString() : court.mid(p + 1).toLower();
}

// The same path with its folder resolved, whether the file exists or not.
QString CheminCanonique(const QString& nom)
{
    const QFileInfo info(nom);
    if (info.exists())
        return info.canonicalFilePath();
    const QString dossier = QDir(info.absolutePath()).canonicalPath();
    return dossier.isEmpty() ? info.absoluteFilePath() : dossier + QLatin1Char('/') + info.fileName();
}

// An index of the edit: digits only, at most 2147483647.
int64_t LireIndice(const QString& texte)
{
    const int32_t valeur = ConvertirEntier(texte);
    if (valeur < 0 || !EstTexteEntier(texte.trimmed()))
        LeverErreur(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texte));
    return valeur;
}

QString Tirets(const QString& texte) { return CompleterChaine(texte, 80, QLatin1Char('-')); }

} // namespace

// ---------------------------------------------------------------------------
// Planning and running
// ---------------------------------------------------------------------------

QString TexteIndice(int64_t indice, int64_t dernier, bool zeros)
{
    const QString texte = QString::number(indice);
    if (!zeros)
        return texte;
    return texte.rightJustified(QString::number(dernier).size(), QLatin1Char('0'));
}

QString ExtensionDestination(const QString& nom, const TReglagesEnregistrement& r)
{
    if (r.Conversion)
        switch (r.Format) {
        case TConversionImages::FormatBmp:
            return QStringLiteral("bmp");
        case TConversionImages::FormatJpeg:
            return QStringLiteral("jpg");
        default:
            return QStringLiteral("fit");
        }
    return ExtensionFichier(NomFichierSansChemin(nom));
}

QStringList NomsPlans(const QString& destination)
{
    const QString court = NomFichierSansChemin(destination);
    const int p = court.lastIndexOf(QLatin1Char('.'));
    const QString base = CheminFichier(destination) + (p < 0 ? court : court.left(p));
    const QString extension = p < 0 ? QString() : court.mid(p);
    return {base + QLatin1Char('R') + extension, base + QLatin1Char('V') + extension, base + QLatin1Char('B') + extension};
}

std::vector<TTacheEnregistrement> PlanifierEnregistrement(const QList<TFichierSelection>& fichiers,
                                                          const TReglagesEnregistrement& r)
{
    std::vector<TTacheEnregistrement> taches;
    if (fichiers.isEmpty())
        return taches;
    const int64_t dernier = r.Depart + r.Increment * (fichiers.size() - 1);
    const QString dossier = AvecBarre(r.Dossier);
    int64_t indice = r.Depart;
    for (const TFichierSelection& f : fichiers) {
        TTacheEnregistrement t;
        t.Source = AvecBarre(f.Dossier) + f.Nom;
        const QString extension = ExtensionDestination(f.Nom, r);
        t.Destination = dossier + r.Entete + TexteIndice(indice, dernier, r.Zeros) +
                        (extension.isEmpty() ? QString() : QLatin1Char('.') + extension);
        indice += r.Increment;
        const int32_t genre = TypeFichier(f.Nom);
        t.Genre = TGenreEnregistrement::Copie;
        if (r.Conversion) {
            switch (r.Format) {
            case TConversionImages::FormatBmp:
                if (genre != tiBmp)
                    t.Genre = TGenreEnregistrement::Bmp;
                break;
            case TConversionImages::FormatJpeg:
                if (DerniereExtension(f.Nom) != QLatin1String("jpg"))
                    t.Genre = TGenreEnregistrement::Jpeg;
                break;
            default:
                if (genre != tiFit)
                    t.Genre = genre == tiBmp && r.Couleurs == TConversionImages::CouleursPlansSepares
                                  ? TGenreEnregistrement::PlansFit
                                  : TGenreEnregistrement::Fit;
            }
        }
        if (t.Genre != TGenreEnregistrement::PlansFit) {
            t.Ecrits = QStringList{t.Destination};
        } else {
            // An 8-bit picture gives one file, any other three. An unreadable
            // one fails before writing anything.
            int format = -1;
            try {
                format = FormatPixelFichierBmp(t.Source);
            } catch (const EStelor&) {
            }
            if (format == pf8bit)
                t.Ecrits = QStringList{t.Destination};
            else if (format >= 0)
                t.Ecrits = NomsPlans(t.Destination);
        }
        taches.push_back(std::move(t));
    }
    return taches;
}

QString SourceEcrasee(const std::vector<TTacheEnregistrement>& taches)
{
    QSet<QString> sources;
    for (const TTacheEnregistrement& t : taches)
        sources.insert(CheminCanonique(t.Source));
    for (const TTacheEnregistrement& t : taches)
        for (const QString& ecrit : t.Ecrits)
            if (sources.contains(CheminCanonique(ecrit)))
                return ecrit;
    return {};
}

void ExecuterTache(const TTacheEnregistrement& t, int qualite)
{
    const int32_t genre = TypeFichier(t.Source);
    auto refuser = [&t] {
        LeverErreur(QStringLiteral("L'image '%1' n'est ni une image Fit ni une image Bmp.").arg(t.Source));
    };
    switch (t.Genre) {
    case TGenreEnregistrement::Copie:
        EcrireFichierSur(t.Destination, LireFichierComplet(t.Source));
        return;
    case TGenreEnregistrement::Fit:
        if (genre != tiBmp)
            refuser();
        ExporterBmpEnFit(LireBitmapBmp(t.Source), t.Destination, {});
        return;
    case TGenreEnregistrement::PlansFit: {
        const QStringList plans = NomsPlans(t.Destination);
        ExporterPlansRVBEnFit(LireBitmapBmp(t.Source), t.Destination, plans[0], plans[1], plans[2]);
        return;
    }
    case TGenreEnregistrement::Bmp: {
        if (genre != tiFit)
            refuser();
        THistoFit image;
        CreerHistoFit(image);
        ChargerFit(image, t.Source);
        ExporterFitEnBmp(image, t.Destination, true);
        return;
    }
    case TGenreEnregistrement::Jpeg:
        if (genre == tiFit) {
            THistoFit image;
            CreerHistoFit(image);
            ChargerFit(image, t.Source);
            EnregistrerJpeg(BitmapFit(image), qualite, t.Destination);
        } else if (genre == tiBmp) {
            EnregistrerJpeg(LireBitmapBmp(t.Source), qualite, t.Destination);
        } else {
            refuser();
        }
        return;
    }
}

// ---------------------------------------------------------------------------
// The dialog
// ---------------------------------------------------------------------------

TEnregistrementSelection::TEnregistrementSelection(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TEnregistrementSelection>())
{
    ui->setupUi(this);
    ui->CmbBxImages->setCurrentIndex(1);
    ui->LstVwImages->header()->setStretchLastSection(true);
    ui->RchEdtProgression->installEventFilter(this);
    ui->Pnl2->hide();
    for (QLineEdit* e : {ui->EdtDepart, ui->EdtIncrement}) {
        InstallerFiltreSaisie(e, TGenreSaisie::Entier);
        e->setText(QStringLiteral("1"));
    }
    auto haut = [](QSpinBox* s, QLineEdit* e) {
        RelierHautBas(s, [e](TBoutonHautBas b) {
            ExecuterCommande([e, b] {
                if (e->text().isEmpty())
                    e->setText(QStringLiteral("1"));
                IncrementerEditEntier(e, b, 1, 1, std::numeric_limits<int32_t>::max());
            });
        });
    };
    haut(ui->UpDwnDepart, ui->EdtDepart);
    haut(ui->UpDwnIncrement, ui->EdtIncrement);
    auto commande = [this](auto emetteur, auto signal, auto action) {
        connect(emetteur, signal, this, [action](auto&&...) { ExecuterCommande(action); });
    };
    commande(ui->CmbBxImages, &QComboBox::currentIndexChanged, [this] {
        if (ui->CmbBxImages->currentIndex() != FChoixListe)
            ReconstruireListe();
    });
    for (QLineEdit* e : {ui->EdtEntete, ui->EdtDepart, ui->EdtIncrement})
        commande(e, &QLineEdit::textChanged, [this] { AfficherApercu(); });
    commande(ui->ChckBx000, &QCheckBox::toggled, [this] { AfficherApercu(); });
    commande(ui->ChckBxConversion, &QCheckBox::clicked, [this] { ChckBxConversionClick(); });
    commande(ui->BtBtnDossier, &QToolButton::clicked, [this] { BtBtnDossierClick(); });
    commande(ui->BtnOK, &QPushButton::clicked, [this] { BtnOKClick(); });
    commande(ui->BtnImprimer, &QPushButton::clicked, [this] { BtnImprimerClick(); });
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnTermine, &QPushButton::clicked, this, &QDialog::accept);
}

TEnregistrementSelection::~TEnregistrementSelection() = default;

void TEnregistrementSelection::Initialiser(const QList<TFichierSelection>& liste, const QString& dossier)
{
    FSource = liste;
    FChoixListe = -1;
    if (ui->EdtDossier->text().isEmpty())
        ui->EdtDossier->setText(dossier);
}

void TEnregistrementSelection::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->Pnl2->hide();
    ui->Pnl1->show();
    for (QLineEdit* e : {ui->EdtDepart, ui->EdtIncrement})
        if (e->text().isEmpty())
            e->setText(QStringLiteral("1"));
    ExecuterCommande([this] { ReconstruireListe(); });
    ui->EdtEntete->setFocus();
}

bool TEnregistrementSelection::eventFilter(QObject* objet, QEvent* evenement)
{
    // The report is read, never typed into.
    if (objet == ui->RchEdtProgression && evenement->type() == QEvent::KeyPress)
        return true;
    return QDialog::eventFilter(objet, evenement);
}

void TEnregistrementSelection::ReconstruireListe()
{
    TSablier sablier;
    const int choix = ui->CmbBxImages->currentIndex();
    FChoixListe = choix;
    ui->LstVwImages->clear();
    FListe.clear();
    for (int i = 0; i < FSource.size(); ++i) {
        const TFichierSelection& f = FSource[i];
        if (choix == 0 || (choix == 1 && f.Coche) || (choix == 2 && !f.Coche)) {
            FListe << f;
            ui->LstVwImages->addTopLevelItem(new QTreeWidgetItem(QStringList{f.Nom, f.Dossier}));
        }
        ui->SttcTxtNomsImages->setText(EntierEnTexte(FSource.size() - i - 1));
    }
    AjusterColonneAuContenu(ui->LstVwImages, 0);
    AfficherApercu();
}

TReglagesEnregistrement TEnregistrementSelection::Reglages() const
{
    TReglagesEnregistrement r;
    r.Dossier = ui->EdtDossier->text();
    r.Entete = ui->EdtEntete->text();
    r.Depart = LireIndice(ui->EdtDepart->text());
    r.Increment = LireIndice(ui->EdtIncrement->text());
    r.Zeros = ui->ChckBx000->isChecked();
    r.Conversion = ui->ChckBxConversion->isChecked();
    if (ConversionImages) {
        r.Format = ConversionImages->LireFormat();
        r.Couleurs = ConversionImages->LireCouleurs();
        r.Qualite = ConversionImages->LireQualite();
    }
    return r;
}

void TEnregistrementSelection::AfficherApercu()
{
    const auto depart = TexteEnEntier(ui->EdtDepart->text());
    const auto increment = TexteEnEntier(ui->EdtIncrement->text());
    if (ui->EdtEntete->text().isEmpty() || !depart || !increment || *depart < 0 || *increment < 0 || FListe.isEmpty()) {
        ui->SttcTxtNomsImages->clear();
        return;
    }
    TReglagesEnregistrement r = Reglages();
    r.Dossier.clear();
    QString texte = QStringLiteral("Renommée(s) en ");
    const int64_t dernier = r.Depart + r.Increment * (FListe.size() - 1);
    for (int k = 0; k < std::min<qsizetype>(4, FListe.size()); ++k) {
        const QString extension = ExtensionDestination(FListe[k].Nom, r);
        texte += r.Entete + TexteIndice(r.Depart + k * r.Increment, dernier, r.Zeros) +
                 (extension.isEmpty() ? QString() : QLatin1Char('.') + extension) + QLatin1Char(' ');
    }
    ui->SttcTxtNomsImages->setText(texte + QStringLiteral("..."));
}

void TEnregistrementSelection::ChckBxConversionClick()
{
    if (ui->ChckBxConversion->isChecked() && ConversionImages &&
        Dialogues::ExecuterModal(*ConversionImages) != mrOk)
        ui->ChckBxConversion->setChecked(false);
    if (!ui->ChckBxConversion->isChecked() || !ConversionImages)
        ui->ChckBxConversion->setText(QStringLiteral("Conversion"));
    else
        ui->ChckBxConversion->setText(QStringLiteral("Conversion ") + ConversionImages->TexteFormat());
    AfficherApercu();
}

void TEnregistrementSelection::BtBtnDossierClick()
{
    const QString dossier = Dialogues::ChoisirDossier(this, QStringLiteral("Sélectionnez le dossier de destination."),
                                                      ui->EdtDossier->text());
    if (!dossier.isEmpty())
        ui->EdtDossier->setText(dossier);
}

void TEnregistrementSelection::BtnOKClick()
{
    auto refuser = [](const QString& message, QWidget* focus) {
        Dialogues::Information(message);
        if (focus)
            focus->setFocus();
    };
    const QString dossier = ui->EdtDossier->text();
    if (FListe.isEmpty())
        return refuser(QStringLiteral("La liste ne contient pas d'images à enregistrer."), ui->CmbBxImages);
    if (dossier.isEmpty())
        return refuser(QStringLiteral("Le dossier de destination n'est pas renseigné."), ui->BtBtnDossier);
    if (!QFileInfo(dossier).isDir())
        return refuser(QStringLiteral("Le dossier '") + dossier + QStringLiteral("' n'existe pas."), ui->BtBtnDossier);
    if (ui->EdtEntete->text().isEmpty())
        return refuser(QStringLiteral("L'entête n'est pas renseignée."), ui->EdtEntete);
    if (ui->EdtEntete->text().contains(QLatin1Char('/')) || ui->EdtEntete->text().contains(QLatin1Char('\\')))
        return refuser(QStringLiteral("L'entête '") + TexteCite(ui->EdtEntete->text()) +
                           QStringLiteral("' contient un séparateur de dossier ('/' ou '\\') : les images seraient "
                                          "enregistrées hors du dossier de destination."),
                       ui->EdtEntete);
    if (ui->EdtDepart->text().isEmpty())
        return refuser(QStringLiteral("La valeur départ n'est pas renseignée."), ui->EdtDepart);
    if (ui->EdtIncrement->text().isEmpty())
        return refuser(QStringLiteral("La valeur incrément n'est pas renseignée."), ui->EdtIncrement);
    const TReglagesEnregistrement r = Reglages();
    if (r.Increment == 0)
        return refuser(QStringLiteral("La valeur incrément ne peut être égale à zéro."), nullptr);

    std::vector<TTacheEnregistrement> taches;
    QList<std::pair<QString, QString>> existants;
    QString ecrasee;
    {
        TSablier sablier;
        taches = PlanifierEnregistrement(FListe, r);
        ecrasee = SourceEcrasee(taches);
        for (const TTacheEnregistrement& t : taches)
            for (const QString& ecrit : t.Ecrits)
                if (QFileInfo::exists(ecrit))
                    existants.append({NomFichierSansChemin(ecrit), CheminFichier(ecrit)});
    }
    if (!ecrasee.isEmpty())
        return refuser(QStringLiteral("Le fichier '") + ecrasee +
                           QStringLiteral("' est une des images à enregistrer : il serait écrasé avant d'être lu. "
                                          "Choisissez un autre dossier, une autre entête ou un autre départ."),
                       ui->EdtEntete);
    if (!existants.isEmpty() && ConfirmationFichiers) {
        ConfirmationFichiers->Preparer(QStringLiteral("Les images suivantes vont être écrasées."), existants);
        if (Dialogues::ExecuterModal(*ConfirmationFichiers) != mrOk)
            return;
    }
    Enregistrer(taches);
}

void TEnregistrementSelection::AjouterRapport(const QString& texte, int couleur, bool finLigne)
{
    QTextCursor curseur(ui->RchEdtProgression->document());
    curseur.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(CouleurEnQColor(couleur));
    curseur.insertText(texte, format);
    if (finLigne)
        curseur.insertText(QStringLiteral("\n"), format);
}

void TEnregistrementSelection::Enregistrer(const std::vector<TTacheEnregistrement>& taches)
{
    if (FEnCours)
        return;
    FEnCours = true;
    TSablier sablier;
    ui->Pnl1->hide();
    ui->Pnl2->show();
    ui->LblMessageListe->clear();
    ui->BtnImprimer->setEnabled(false);
    ui->BtnTermine->setEnabled(false);
    ui->BtBtnAideRapport->setEnabled(false);
    // Whatever happens, the user can read, print and close the report.
    auto rendre = qScopeGuard([this] {
        ui->BtnImprimer->setEnabled(true);
        ui->BtnTermine->setEnabled(true);
        ui->BtBtnAideRapport->setEnabled(true);
        FEnCours = false;
    });
    ui->RchEdtProgression->clear();
    FErreurs = 0;
    const int qualite = ConversionImages ? ConversionImages->LireQualite() : 100;
    AjouterRapport(Tirets(QStringLiteral("Début de l'enregistrement ")), clRouge, true);
    AjouterRapport({}, clNoir, true);
    for (size_t k = 0; k < taches.size(); ++k) {
        const TTacheEnregistrement& t = taches[k];
        ui->LblMessageListe->setText(EntierEnTexte(static_cast<int64_t>(taches.size() - k - 1)));
        ui->LblMessageListe->repaint();
        QString erreur;
        try {
            ExecuterTache(t, qualite);
        } catch (const EErreurFichier& e) {
            erreur = QStringLiteral("(") + EntierEnTexte(e.Code()) + QStringLiteral(") Erreur d'enregistrement. ") +
                     e.Message();
        } catch (const EStelor& e) {
            erreur = QStringLiteral("Erreur d'enregistrement. ") + e.Message();
        } catch (const std::exception&) {
            erreur = QStringLiteral("Erreur d'enregistrement. ") + TexteExceptionCourante();
        }
        QStringList ecrits;
        for (const QString& ecrit : t.Ecrits)
            ecrits << QLatin1Char('\'') + ecrit + QLatin1Char('\'');
        if (ecrits.isEmpty())
            ecrits << QLatin1Char('\'') + t.Destination + QLatin1Char('\'');
        if (erreur.isEmpty()) {
            AjouterRapport(QLatin1Char('\'') + t.Source + QStringLiteral("' enregistré sous "), clNoir, false);
            AjouterRapport(ecrits.join(QStringLiteral(", ")), clBleu, true);
        } else {
            ++FErreurs;
            AjouterRapport(QLatin1Char('\'') + t.Source + QStringLiteral("' n'a pas été enregistré sous "), clNoir, false);
            AjouterRapport(ecrits.join(QStringLiteral(", ")), clBleu, true);
            AjouterRapport(erreur, clRouge, true);
        }
        AjouterRapport({}, clNoir, true);
        ui->RchEdtProgression->repaint();
    }
    ui->LblMessageListe->clear();
    if (FErreurs > 0) {
        AjouterRapport(EntierEnTexte(FErreurs) + QStringLiteral(" erreur(s)."), clRouge, true);
        AjouterRapport({}, clNoir, true);
    }
    AjouterRapport(Tirets(QStringLiteral("Fin de l'enregistrement ")), clRouge, false);
}

void TEnregistrementSelection::BtnImprimerClick()
{
    // A copy is printed: the report itself never changes.
    ImprimerDocument(this, windowTitle(), QStringLiteral("Imprimer le rapport"), *ui->RchEdtProgression->document());
}
