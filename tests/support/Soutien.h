#pragma once
// Helpers shared by the tests.
#include "PDialogues.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>

// Path of a real image shipped beside the project.
QString CheminDonnees(const QString& nom);

// Answers every dialog while alive, then restores the previous state.
class TRepondeurTest {
public:
    explicit TRepondeurTest(Dialogues::TRepondeur r);
    ~TRepondeurTest();

private:
    Dialogues::TRepondeur FPrecedent;
};

// What every test gets when it installs nothing: no dialog ever blocks; boxes
// answer OK, questions No, forms Cancel, file dialogs nothing.
TReponseDialogue ReponseParDefaut(const TDemandeDialogue& d);

// Answers message boxes with OK/Yes (or the given result) and records them.
Dialogues::TRepondeur RepondreToujours(int resultat = mrOk);

// Runs a program; returns its exit code and fills its output (stdout+stderr).
int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie = nullptr,
                    int delaiMs = 60000);
