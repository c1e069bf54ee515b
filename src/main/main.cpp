#include "filedialog.h"
#include "zapplication.h"

int main(int argc, char *argv[])
{
    auto *app = new ZApplication(argc, argv, 1);
    auto *window = new fileDialog();
    app->setMainWidget(window);
    window->show();
    app->exec();
    delete window;
    delete app;
    return 0;
}
