#pragma once

#include <QString>

// Where this copy keeps its settings, its local store and its transfer slots,
// and where it finds its help file.
struct ProgramFolder final {
    QString AppFolder; // ends with the separator
    QString HelpFile;
};

// A build or a portable copy keeps everything beside the executable, as long
// as the folder is the user's own and the program may write there. An installed copy (its help file in
// ../share/quillo-pad/ instead of beside it) and a copy in a folder it cannot
// write, or that another account owns, use the user's data folder: `xdgDataHome`/quillo-pad/, or
// `home`/.local/share/quillo-pad/ when `xdgDataHome` is empty or relative.
// That folder is created owner-only when missing; if it cannot be made, the
// first settings write says so, naming the file. The help file is taken from
// the program folder when it is there, else beside the executable, else from
// the installed share folder, found relative to the executable.
ProgramFolder ChooseProgramFolder(const QString& exeFolder, const QString& xdgDataHome,
                                  const QString& home);
