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
};

// Answers message boxes with OK/Yes (or the given result) and records them.
Dialogues::TRepondeur RepondreToujours(int resultat = mrOk);

// Runs a program; returns its exit code and fills its output (stdout+stderr).
int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie = nullptr,
                    int delaiMs = 60000);
