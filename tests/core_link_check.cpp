#include <QCoreApplication>

#include "base/Paths.h"
#include "store/InvoiceStore.h"

// A program of the core libraries alone; its link line is what the link check reads.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return openInvoiceStore() != nullptr && !GetExeDir().isEmpty() ? 0 : 1;
}
