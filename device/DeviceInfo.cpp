#include "device/DeviceInfo.h"

#include "files/Keyboards.h"

namespace lay {

TDeviceInfoReport ReadDeviceInfo(TKeyboardDriver& driver, const TKeyboards& keyboards) {
    TDeviceInfoReport report;
    TKeyboardStatus status;
    // Work mode first, as every command does, unless the program is damaged: such a keyboard
    // cannot go there, and this window is where the user finds out what it still can tell.
    driver.ReadStatus(status);
    if (status.ProgramValid)
        driver.GetStatus(status);
    driver.ReadLoaderInfo(report.Loader);
    if (status.ProgramValid) {
        driver.ReadProgramInfo(report.Program);
        driver.SetMode(kmWork);
    }
    report.Status = PackStatus(status);
    report.LayoutValid = status.LayoutValid;

    const TDeviceInfo& program = report.Program;
    const TDeviceInfo& loader = report.Loader;
    auto add = [&report](const char* caption, std::string value, bool alarm = false) {
        report.Rows.push_back({caption, std::move(value), alarm});
    };
    add("Версия программы", status.ProgramValid ? program.Version : "повреждена");
    add("Версия загрузчика", loader.Version);
    add("Объем памяти, байт", std::to_string(loader.MemorySize));
    TKeyboards models;
    keyboards.GetByModel(program.DeviceType, models);
    add("Тип устройства",
        models.Count() > 0 ? models.Items(0).ClassName : std::to_string(program.DeviceType));
    add("Количество слоев", std::to_string(program.LayerCount));
    std::string tracks;
    for (const auto& [present, name] :
         {std::pair{program.Track1, "1"}, {program.Track2, "2"}, {program.Track3, "3"}})
        if (present)
            tracks += (tracks.empty() ? "" : ",") + std::string(name);
    add("Треки считывателя", tracks);
    add("Количество клавиш", std::to_string(loader.KeyCount));
    add("Количество положений ключа", std::to_string(program.KeyPositions));
    if (TKeyboardDriver::MatrixTestSupported(loader)) {
        const bool shorts = driver.MatrixHasShorts();
        add("Замыкания в матрице клавиатуры", shorts ? "есть" : "нет", shorts);
        // A damaged program cannot run: that keyboard stays in the loader, where it was, and the
        // window still shows what can be known about it.
        if (status.ProgramValid)
            driver.SetMode(kmWork);
    }
    report.StateText = status.LayoutValid ? SLayoutWorks : SLayoutBroken;
    return report;
}

} // namespace lay
