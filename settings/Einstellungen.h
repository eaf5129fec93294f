#pragma once

// The settings file "paarix.ini": its place beside the executable (or in the
// user's configuration directory when the program's directory is closed to the
// user), its creation
// at the first start, reading it at start-up and writing it at every close.
// None of these operations ever stops the program: a file that cannot be read
// gives the default values, a file that cannot be written is reported on stderr
// and left as it was.

#include <QChar>
#include <QString>
#include <cstdint>

#include "EinstellungsZeile.h"

class QIODevice;

namespace paarix {

// `AppPfad` from a directory: the directory with the native separator ("\" on
// Windows, "/" elsewhere) appended, unless it already ends in a separator (a
// drive root, "/"). Qt reports directories with "/" on every platform; they are
// turned into native separators first. An empty directory gives "." and the
// separator, the working directory.
QString AppPfadAus(const QString& verzeichnis);
// The same with an explicit separator, so both platforms' rules can be checked
// anywhere.
QString AppPfadAus(const QString& verzeichnis, QChar trenner);

// `AppPfad` of the running program: the directory of its executable. Needs a
// QCoreApplication.
QString AppPfadErmitteln();

// `IniDatei`: `appPfad` followed by "paarix.ini".
QString IniDateiIn(const QString& appPfad);

// Where the settings file lives. The file beside the executable (in `appPfad`)
// wins when it is there or when one can be created there, so a copy of the
// program that is carried around keeps its settings with it. Otherwise (the
// program is installed in a directory the user may not write) it is
// "paarix.ini" in `benutzerOrdner`, the user's own configuration directory,
// which is created when it is missing. When the platform names no such
// directory (`benutzerOrdner` empty) the file beside the executable is kept.
QString IniDateiWaehlen(const QString& appPfad, const QString& benutzerOrdner);

// The same for the running program: its AppPfad and Qt's per-application
// configuration directory (QStandardPaths::AppConfigLocation, which depends on
// the application and organisation names). Needs a QCoreApplication.
QString IniDateiWaehlen();

// Whether a settings file is at `pfad`: true for a regular file or a link to
// one, also when it is empty or cannot be read; false when nothing is there or
// the query fails, and for anything that is no file (a directory, a pipe, a
// device), since none of them can hold the settings. Never fails.
bool DateiVorhanden(const QString& pfad);

// Writes the line of EinstellungsZeile to `pfad` as a whole or not at all: the
// bytes go to a new file beside it, which is flushed and then renamed over the
// old one. The file is never written in place, so a failure at any moment
// leaves the old file untouched. Returns false on failure and says so on
// stderr; the program goes on.
bool EinstellungenSpeichern(const QString& pfad, int16_t brlIndex, int16_t anzahlIndex,
                            int16_t reserve);

// The values of the file at `pfad`. Never fails: when the file is missing, is
// no regular file or cannot be opened, every value is its default; otherwise
// EinstellungenAusDateianfang decides field by field. Reads at most kHeadBytes
// bytes, however large the file is.
Einstellungen EinstellungenLesen(const QString& pfad);

// The same from an open device: reads at most kHeadBytes bytes from it.
Einstellungen EinstellungenAusGeraet(QIODevice& geraet);

// Start-up: creates the file with three zeros when DateiVorhanden finds none
// (at that moment no list has a selection and the reserve value is 0), then
// reads it.
Einstellungen EinstellungenBeimStart(const QString& iniDatei);

}  // namespace paarix
