#include "app/quitsignals.h"
#include "app/slatewickapp.h"
#include "desktop/systemdesktop.h"

#include <QApplication>

#include <memory>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slatewick"));
    QApplication::setDesktopFileName(QStringLiteral("io.slatewick.Slatewick"));
    // Destroyed before the application object: its model stops every drain first.
    slatewick::SlatewickApp slatewick(slatewick::DrainModel::Collaborators::real(),
                                      std::make_shared<slatewick::SystemDesktop>());
    const slatewick::QuitSignals quitSignals;
    return QApplication::exec();
}
