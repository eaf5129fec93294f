#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <functional>
#include <ostream>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EinstellungsZeile.h"

namespace paarix {

inline void PrintTo(const Einstellungen& e, std::ostream* os) {
  *os << "{BrlModus " << e.BrlModus << ", Spielerzahl " << e.Spielerzahl << ", IniReserve "
      << e.IniReserve << "}";
}

inline Einstellungen werte(int16_t brl, int16_t spieler, int16_t reserve) { return {brl, spieler, reserve}; }

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Exit codes of runUnprivileged.
inline constexpr int kChildTrue = 0;
inline constexpr int kChildFalse = 1;
inline constexpr int kChildCannotDropRoot = 77;

// Runs `check` in a child process that file permissions apply to: as root the
// child first becomes "nobody", since root ignores them. Returns kChildTrue or
// kChildFalse for the check's result, kChildCannotDropRoot when root could not
// be given up, and anything else when the child did not end normally.
inline int runUnprivileged(const std::function<bool()>& check) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      const uid_t uid = nobody ? nobody->pw_uid : 65534;
      const gid_t gid = nobody ? nobody->pw_gid : 65534;
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 || geteuid() == 0) {
        _exit(kChildCannotDropRoot);
      }
    }
    _exit(check() ? kChildTrue : kChildFalse);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace paarix
