#include "platform/Application.h"

#include <QApplication>

#include <memory>

namespace {
std::unique_ptr<QApplication>& applicationHolder()
{
    static std::unique_ptr<QApplication> app;
    return app;
}
}  // namespace

void InitGuiApplication(int& argc, char** argv)
{
    if (QApplication::instance() == nullptr)
        applicationHolder() = std::make_unique<QApplication>(argc, argv);
}

bool IsGuiApplicationReady()
{
    return QApplication::instance() != nullptr;
}
