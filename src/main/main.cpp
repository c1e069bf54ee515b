// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/filedialog.h"
#include "main/commandline.h"
#include "platform/zapplication.h"

int main(int argc, char *argv[])
{
    if (const int status = CommandLine::answerInformationOptions(argc, argv); status >= 0)
        return status;
    auto *app = new ZApplication(argc, argv, 1);
    app->quitOnTerminationSignals();
    auto *window = new fileDialog();
    app->setMainWidget(window);
    window->show();
    app->exec();
    delete window;
    delete app;
    return 0;
}
