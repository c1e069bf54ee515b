// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of bench/run.sh: about the least a Qt program does to show a folder's names,
// with readdir, std::sort of QStrings, a QStringListModel and a QListView with uniform item
// sizes, in a window of the file manager's size:  minimal_lister folder
#include "platform/zapplication.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>

#include <algorithm>
#include <cstring>
#include <dirent.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList names;
    if (DIR *dir = ::opendir(argc > 1 ? argv[1] : ".")) {
        while (const dirent *entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.append(QString::fromUtf8(entry->d_name));
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    QStringListModel model(names);
    names.clear();
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(240, 320);
    reportFirstPaintForBenchmark(&view);
    view.show();
    return app.exec();
}
