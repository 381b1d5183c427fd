// vantum: the desktop program.
#include <QApplication>
#include <QScreen>
#include <QThread>
#include <chrono>

#include "app/main_window.h"
#include "app/size_views.h"
#include "app/splash_window.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_path.h"

namespace {

long long SecondsTick() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    namespace st = vantum::settings;
    bool splash = false;
    QRect bounds(100, 50, 900, 600);
    {
        st::IniFile ini(st::SettingsPath());
        splash = st::Read(ini, st::key::SplashShow);
        bounds = QRect(st::Read(ini, st::key::BoundsLeft), st::Read(ini, st::key::BoundsTop),
                       st::Read(ini, st::key::BoundsWidth), st::Read(ini, st::key::BoundsHeight));
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantu"));
    QApplication::setApplicationVersion(QStringLiteral(VANTUM_VERSION));
    QApplication::setStyle(QStringLiteral("Fusion"));

    vantum::app::TSplashForm* splashForm = nullptr;
    if (splash) {
        splashForm = new vantum::app::TSplashForm(bounds);
        splashForm->show();
        splashForm->repaint();
        QApplication::processEvents();
        // Up until the next whole second, at most one second.
        const long long until = SecondsTick() + 1;
        while (SecondsTick() < until) {
            QThread::msleep(1);
            QApplication::processEvents();
        }
    }

    vantum::app::MainWindow window;
    vantum::app::InstallSizeViews(window);
    window.Activate(QApplication::arguments().mid(1), [&] {
        if (splashForm) splashForm->RollUpAndClose();
    });
    return QApplication::exec();
}
