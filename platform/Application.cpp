#include "platform/Application.h"

#include <QApplication>

void InitGuiApplication(int& argc, char** argv)
{
    // The application object lives as long as the process. It is deliberately never
    // destroyed: deleting it from a static destructor at exit runs after parts of Qt's
    // own global state are gone and crashes.
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

bool IsGuiApplicationReady()
{
    return QApplication::instance() != nullptr;
}
