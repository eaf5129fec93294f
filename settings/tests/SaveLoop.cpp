// Saves the settings file over and over until it is killed; run by
// KillDuringSaveTest. Before save k begins it publishes k in the progress file,
// a shared mapping, so whoever kills it knows which save was under way.
//
//   settings_save_loop <settings file> <progress file>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QString>
#include <atomic>
#include <cstdio>

#include "Einstellungen.h"
#include "SaveLoopValues.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fputs("usage: settings_save_loop <settings file> <progress file>\n", stderr);
    return 2;
  }
  const int fd = ::open(argv[2], O_RDWR);
  if (fd < 0 || ::ftruncate(fd, sizeof(std::atomic<long>)) != 0) return 3;
  void* map = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) return 3;
  auto* progress = static_cast<std::atomic<long>*>(map);

  const QString pfad = QString::fromLocal8Bit(argv[1]);
  for (long k = 0;; ++k) {
    progress->store(k);
    const auto werte = paarix::test::SaveLoopValues(k);
    if (!paarix::EinstellungenSpeichern(pfad, werte.brl, werte.anzahl, werte.reserve)) return 1;
  }
}
