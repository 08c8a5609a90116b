#pragma once
// Text from a file on the technician's terminal. A value may hold control
// characters (C0, DEL, C1: escape sequences that move the cursor or erase
// what was printed) and bidirectional controls (that reorder a line as it
// is shown); every such character is written as a visible escape, so that
// what is printed is what the file holds.
#include <QByteArray>
#include <QString>

namespace orvtools {

// \n, \r and \t as such; the other controls below U+0100 as \xNN; the
// bidirectional controls and the line and paragraph separators as \uNNNN.
QString ForTerminal(const QString& text);
// The same characters in JSON text (UTF-8) as JSON escapes (\u00NN and
// \uNNNN), which keep the values while sparing the terminal.
QByteArray JsonForTerminal(const QByteArray& json);

}  // namespace orvtools
