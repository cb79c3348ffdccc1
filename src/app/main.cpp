#include "app/quitsignals.h"
#include "app/slatewickapp.h"
#include "app/translators.h"
#include "desktop/singleinstance.h"
#include "desktop/systemcollaborators.h"
#include "desktop/systemdesktop.h"

#include <QApplication>

#include <chrono>
#include <memory>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slatewick"));
    QApplication::setDesktopFileName(QStringLiteral("io.slatewick.Slatewick"));
    const slatewick::Translators translators(QLocale::system(), QCoreApplication::applicationDirPath());
    // A second start only brings the running copy's dashboard forward.
    slatewick::SingleInstance instance(slatewick::SingleInstance::sessionFolder());
    if (!instance.claim()) {
        instance.askRunningCopyToShow(std::chrono::seconds(2));
        return 0;
    }
    // Destroyed before the application object: its model stops every drain first.
    slatewick::SlatewickApp slatewick(slatewick::systemCollaborators(),
                                      std::make_shared<slatewick::SystemDesktop>());
    QObject::connect(&instance, &slatewick::SingleInstance::showRequested, &slatewick,
                     &slatewick::SlatewickApp::showDashboard);
    const slatewick::QuitSignals quitSignals;
    return QApplication::exec();
}
