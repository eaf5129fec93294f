#include "Einstellungen.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>
#include <string>

namespace paarix {

namespace {

const QString kIniName = QStringLiteral("paarix.ini");

void reportOnStderr(const QString& text) {
  std::fputs(text.toLocal8Bit().append('\n').constData(), stderr);
  std::fflush(stderr);
}

// Writes `bytes` to `path` through a new file beside it that replaces the old
// one only once it is complete. On failure returns false with the reason in
// `error`; the old file is then unchanged.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString& error) {
  QSaveFile file(path);
  // Where no new file can be made beside the old one (a directory without write
  // permission) Qt could fall back to truncating the old file and writing it in
  // place; a failure half-way would then lose it. Fail instead.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  // commit() does not notice when its own final flush fails (a full disk, a
  // file size limit) and would then rename a truncated file over the old one.
  // So flush here and give up on any error.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    error = file.errorString();
    file.cancelWriting();
    return false;  // the destructor removes the unfinished new file
  }
  if (!file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}

// Whether the settings file could be created at `iniDatei`. Saving puts a new
// file beside the old one and renames it (QSaveFile), so the directory itself
// must take a new file: that is tried with a scratch file that is removed at
// once. A directory in the file's place can never be replaced.
bool canCreateFileAt(const QString& iniDatei) {
  if (QFileInfo(iniDatei).isDir()) return false;
  QTemporaryFile probe(iniDatei + QStringLiteral(".XXXXXX"));
  return probe.open();
}

}  // namespace

QString AppPfadAus(const QString& verzeichnis, QChar trenner) {
  QString pfad = verzeichnis.isEmpty() ? QStringLiteral(".") : verzeichnis;
  if (trenner != u'/') pfad.replace(u'/', trenner);
  if (!pfad.endsWith(trenner)) pfad.append(trenner);
  return pfad;
}

QString AppPfadAus(const QString& verzeichnis) { return AppPfadAus(verzeichnis, QDir::separator()); }

QString AppPfadErmitteln() { return AppPfadAus(QCoreApplication::applicationDirPath()); }

QString IniDateiIn(const QString& appPfad) { return appPfad + kIniName; }

QString IniDateiWaehlen(const QString& appPfad, const QString& benutzerOrdner) {
  const QString nebenProgramm = IniDateiIn(appPfad);
  if (DateiVorhanden(nebenProgramm) || canCreateFileAt(nebenProgramm) || benutzerOrdner.isEmpty()) {
    return nebenProgramm;
  }
  // A failure here shows later, when the file cannot be created or saved.
  QDir().mkpath(benutzerOrdner);
  return IniDateiIn(AppPfadAus(benutzerOrdner));
}

QString IniDateiWaehlen() {
  return IniDateiWaehlen(AppPfadErmitteln(), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

bool DateiVorhanden(const QString& pfad) {
  // QFileInfo reports every failure of the query as "not there"; it raises nothing.
  return QFileInfo(pfad).isFile();
}

bool EinstellungenSpeichern(const QString& pfad, int16_t brlIndex, int16_t anzahlIndex,
                            int16_t reserve) {
  const std::string zeile = EinstellungsZeile(brlIndex, anzahlIndex, reserve);
  QString fehler;
  if (writeFileAtomically(pfad, QByteArray::fromStdString(zeile), fehler)) return true;
  reportOnStderr(QStringLiteral("paarix: Einstellungen nicht gespeichert, %1 bleibt unverändert: %2")
                     .arg(QDir::toNativeSeparators(pfad), fehler));
  return false;
}

Einstellungen EinstellungenLesen(const QString& pfad) {
  // Only a regular file is opened: a pipe would block the start, and a device
  // or a directory holds no settings.
  if (!QFileInfo(pfad).isFile()) return {};
  QFile datei(pfad);
  if (!datei.open(QIODevice::ReadOnly)) return {};
  return EinstellungenAusGeraet(datei);
}

Einstellungen EinstellungenAusGeraet(QIODevice& geraet) {
  const QByteArray anfang = geraet.read(static_cast<qint64>(kHeadBytes));
  return EinstellungenAusDateianfang(std::string_view(anfang.constData(), static_cast<std::size_t>(anfang.size())));
}

Einstellungen EinstellungenBeimStart(const QString& iniDatei) {
  if (!DateiVorhanden(iniDatei)) EinstellungenSpeichern(iniDatei, -1, -1, 0);
  return EinstellungenLesen(iniDatei);
}

}  // namespace paarix
