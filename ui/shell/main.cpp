#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelvane"));
    std::puts("Zelvane: the tracking engine is being built; the main window does not exist yet.");
    return 0;
}
