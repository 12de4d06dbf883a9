// render: the picture of a layout as an enhanced metafile, the way the editor exports it.
#include "cli/Commands.h"
#include "cli/Session.h"

#include "model/Layout.h"

namespace lay::cli {

int CmdRender(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, kSessionOptions, {});
    if (args.Positional().size() != 2)
        throw EUsage{"Нужны файл раскладки и файл рисунка (.emf)"};
    TSession session(args, io.Err);
    TLayout layout;
    session.Open(layout, args.Positional()[0]);
    session.SaveFormat("emf").SaveToFile(layout, args.Positional()[1]);
    return 0;
}

} // namespace lay::cli
