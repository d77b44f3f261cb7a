#pragma once

#include <QString>
#include <QStringList>

// Splits the text of an invoice QR code into its comma-separated items: items may be written in
// double quotes (a doubled quote inside stands for one); outside quotes a blank or control
// character ends an item as a comma does, and blanks and control characters around the commas
// are skipped. A comma that is the very last character adds an empty last item. A NUL ends the
// text. list is emptied first.
void SplitPayload(const QString& text, QStringList& list);
