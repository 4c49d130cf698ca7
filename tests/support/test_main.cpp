#include "PApplication.h"
#include "PDialogues.h"
#include "Soutien.h"

#include <gtest/gtest.h>

// Qt keeps some allocations until exit on purpose; they are not our leaks.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    Dialogues::InstallerRepondeur(ReponseParDefaut);
    return RUN_ALL_TESTS();
}
