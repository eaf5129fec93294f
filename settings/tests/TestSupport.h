#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <functional>

#include "EinstellungsZeile.h"

namespace paarix {

inline void PrintTo(const Einstellungen& e, std::ostream* os) { *os << "{" << e.BrlModus << ", " << e.Spielerzahl << ", " << e.IniReserve << "}"; }

inline Einstellungen werte(int16_t brl, int16_t spieler, int16_t reserve) { return {brl, spieler, reserve}; }

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline bool modus(const QString& path, mode_t mode) { return ::chmod(QFile::encodeName(path).constData(), mode) == 0; }

inline QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Runs `check` in a child process and returns its exit status: 0 when it returned true,
// 1 when false. `privileges` runs first in the child; as root it gives up root (file
// permissions do not bind root) and skips the test, exit 77, when that fails.
inline int inKind(const std::function<bool()>& check, const std::function<bool()>& vorher = [] {
  const passwd* nobody = getpwnam("nobody");
  return geteuid() != 0 || (nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
                            setuid(nobody->pw_uid) == 0);
}) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(!vorher() ? 77 : check() ? 0 : 1);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A check in an unprivileged child passed, or could not run because root could not be given up.
inline bool ohneRoot(int status) { return status == 0 || status == 77; }

}  // namespace paarix
