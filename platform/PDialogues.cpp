#include "PDialogues.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace {
Dialogues::TRepondeur& Repondeur()
{
    static Dialogues::TRepondeur r;
    return r;
}
std::vector<TDemandeDialogue>& JournalInterne()
{
    static std::vector<TDemandeDialogue> j;
    return j;
}

QString TitreApplication()
{
    return QStringLiteral("Stelor");
}

// Records the request and asks the responder when there is one.
bool Repondre(TDemandeDialogue d, TReponseDialogue& reponse)
{
    const bool avecRepondeur = static_cast<bool>(Repondeur());
    if (avecRepondeur)
        reponse = Repondeur()(d);
    d.Dialogue = nullptr; // never kept past the call
    JournalInterne().push_back(d);
    return avecRepondeur;
}

int Boite(TGenreDemande genre, const QString& texte)
{
    TReponseDialogue r;
    r.Resultat = genre == TGenreDemande::Question ? mrNo : mrOk;
    if (Repondre({genre, TitreApplication(), texte, {}, nullptr, {}}, r))
        return r.Resultat;
    QWidget* parent = QApplication::activeWindow();
    switch (genre) {
    case TGenreDemande::Question:
        return QMessageBox::question(parent, TitreApplication(), texte, QMessageBox::Yes | QMessageBox::No)
                       == QMessageBox::Yes
                   ? mrYes
                   : mrNo;
    case TGenreDemande::Erreur:
        QMessageBox::critical(parent, TitreApplication(), texte);
        return mrOk;
    case TGenreDemande::Avertissement:
        QMessageBox::warning(parent, TitreApplication(), texte);
        return mrOk;
    default:
        QMessageBox::information(parent, TitreApplication(), texte);
        return mrOk;
    }
}

// First pattern of the first filter, e.g. "Fichiers Fit (*.fit)" -> "fit".
QString ExtensionParDefaut(const QString& filtre)
{
    static const QRegularExpression motif(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const auto m = motif.match(filtre);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

namespace Dialogues {

void InstallerRepondeur(TRepondeur repondeur) { Repondeur() = std::move(repondeur); }
void RetirerRepondeur() { Repondeur() = nullptr; }
TRepondeur RepondeurCourant() { return Repondeur(); }
bool RepondeurInstalle() { return static_cast<bool>(Repondeur()); }
const std::vector<TDemandeDialogue>& Journal() { return JournalInterne(); }
void ViderJournal() { JournalInterne().clear(); }

void Information(const QString& texte) { Boite(TGenreDemande::Information, texte); }
void Avertissement(const QString& texte) { Boite(TGenreDemande::Avertissement, texte); }
bool Question(const QString& texte) { return Boite(TGenreDemande::Question, texte) == mrYes; }
int QuestionOuiNon(const QString& texte) { return Boite(TGenreDemande::Question, texte); }
void Erreur(const QString& texte) { Boite(TGenreDemande::Erreur, texte); }

int ExecuterModal(QDialog& dialogue)
{
    TReponseDialogue r;
    r.Resultat = mrCancel;
    if (Repondre({TGenreDemande::Modal, dialogue.windowTitle(), {}, {}, &dialogue, dialogue.objectName()}, r)) {
        if (dialogue.isVisible())
            dialogue.hide();
        return r.Resultat;
    }
    const int res = dialogue.exec();
    return res == QDialog::Accepted ? mrOk : (res == QDialog::Rejected ? mrCancel : res);
}

QStringList ChoisirFichiersOuverture(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& dossier, bool multiple)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::OuvrirFichiers, titre, filtre, dossier, nullptr, {}}, r))
        return multiple ? r.Fichiers : r.Fichiers.mid(0, 1);
    if (multiple)
        return QFileDialog::getOpenFileNames(parent, titre, dossier, filtre);
    const QString f = QFileDialog::getOpenFileName(parent, titre, dossier, filtre);
    return f.isEmpty() ? QStringList() : QStringList{f};
}

QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& nomPropose)
{
    TReponseDialogue r;
    QString nom;
    if (Repondre({TGenreDemande::EnregistrerFichier, titre, filtre, nomPropose, nullptr, {}}, r))
        nom = r.Fichiers.value(0);
    else
        nom = QFileDialog::getSaveFileName(parent, titre, nomPropose, filtre);
    if (!nom.isEmpty() && QFileInfo(nom).suffix().isEmpty()) {
        const QString ext = ExtensionParDefaut(filtre);
        if (!ext.isEmpty())
            nom += QLatin1Char('.') + ext;
    }
    return nom;
}

QColor ChoisirCouleur(QWidget* parent, const QColor& initiale)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::Couleur, {}, {}, {}, nullptr, {}}, r))
        return r.Couleur;
    return QColorDialog::getColor(initiale, parent);
}

QString ChoisirDossier(QWidget* parent, const QString& titre, const QString& dossier)
{
    TReponseDialogue r;
    if (Repondre({TGenreDemande::Dossier, titre, {}, dossier, nullptr, {}}, r))
        return r.Fichiers.value(0);
    return QFileDialog::getExistingDirectory(parent, titre, dossier);
}

} // namespace Dialogues
