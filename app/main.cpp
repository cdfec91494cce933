// Start-up and shutdown of the desktop program: the application object, then
// the driver, then the main window (which loads its settings when constructed);
// the message loop; then the window (which saves its settings) before the driver.
#include <memory>

#include "Application.h"
#include "ProgrammingForm.h"
#include "common/VESK_Exception.h"
#include "driver/DeviceVESK1.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    std::unique_ptr<vesk::TDeviceVESK1> device;
    std::unique_ptr<TProgrammingForm> form;
    try {
        device = std::make_unique<vesk::TDeviceVESK1>();
        form = std::make_unique<TProgrammingForm>(*device);
    } catch (const vesk::Exception& e) {
        ShowApplicationErrorBox(QString::fromStdString(e.Message()));
        return 1;
    } catch (const std::exception& e) {
        ShowApplicationErrorBox(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    form->show();
    const int result = app.exec();
    form.reset(); // saves "WinVESK.ini", reading the driver's values
    device.reset();
    return result;
}
