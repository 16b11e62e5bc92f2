// Root declarations shared by every unit: the reference-counted dynamic arrays and the
// registry in which each library unit announces itself at start-up.
#pragma once

#include "support/uSysUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velastrin {

// A growable array whose copies share one storage, like a reference-counted handle.
// SetLength on a shared array gives this handle a fresh copy, so a caller that keeps an old
// handle keeps seeing the old storage.
template <typename T> class TDynArray {
public:
  TDynArray() = default;
  explicit TDynArray(std::size_t Length) { SetLength(Length); }
  TDynArray(std::initializer_list<T> Items) {
    SetLength(Items.size());
    std::size_t i = 0;
    for (const T& Item : Items)
      FStore->Items[i++] = Item;
  }

  std::size_t size() const noexcept { return FStore ? FStore->Length : 0; }
  bool empty() const noexcept { return size() == 0; }
  T* data() const noexcept { return FStore ? FStore->Items.get() : nullptr; }
  T& operator[](std::size_t Index) const { return FStore->Items[Index]; }
  T* begin() const noexcept { return data(); }
  T* end() const noexcept { return data() + size(); }

  // New length; kept items stay, new items are value-initialised (0, false, empty).
  void SetLength(std::size_t Length) {
    if (Length == 0) {
      FStore.reset();
      return;
    }
    if (FStore && FStore.use_count() == 1 && FStore->Length == Length)
      return;
    auto Fresh = std::make_shared<Store>();
    Fresh->Items = std::make_unique<T[]>(Length); // value-initialised
    Fresh->Length = Length;
    for (std::size_t i = 0; i < Length && i < size(); ++i)
      Fresh->Items[i] = FStore->Items[i];
    FStore = std::move(Fresh);
  }
  void clear() noexcept { FStore.reset(); }
  // Handles that share one storage compare equal.
  bool SharesWith(const TDynArray& Other) const noexcept { return FStore == Other.FStore; }
  long UseCount() const noexcept { return FStore.use_count(); }

private:
  struct Store {
    std::unique_ptr<T[]> Items;
    std::size_t Length = 0;
  };
  std::shared_ptr<Store> FStore;
};

using TDynSmallIntArray = TDynArray<int16_t>;
using TDynBooleanArray = TDynArray<bool>;
using TDynStringArray = TDynArray<std::string>;

// ---- Unit registry ----------------------------------------------------------------------

class TUnitInfo {
public:
  TUnitInfo(std::string UnitName, std::string UnitVersion, std::string Author, double LastModified)
      : FUnitName(std::move(UnitName)), FUnitVersion(std::move(UnitVersion)),
        FAuthor(std::move(Author)), FLastModified(LastModified) {}
  const std::string& UnitName() const { return FUnitName; }
  const std::string& UnitVersion() const { return FUnitVersion; }
  const std::string& Author() const { return FAuthor; }
  double LastModified() const { return FLastModified; }

private:
  std::string FUnitName;
  std::string FUnitVersion;
  std::string FAuthor;
  double FLastModified;
};

// Adds one record; with the "info" switch on the command line also writes the program line
// (once) and the unit line to the debug log.
void RegisterUnit(const std::string& UnitName, const std::string& Version,
                  const std::string& Author, double LastModified);
// Whether a unit of this name is in the list (lets each unit's start-up run only once).
bool IsUnitRegistered(const std::string& UnitName);
// The registered units in registration order.
const std::vector<std::unique_ptr<TUnitInfo>>& UnitList();
// Forgets every registration and re-arms the program line (tests only).
void ResetUnitList();

// The value of Key in Section of an INI file; Default when the file or the key is missing.
std::string ReadIniString(const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default);
// The site-wide programs INI file: the path set with SetProgramsIniFileName, else the
// environment variable VELASTRIN_PROGRAMS_INI, else /etc/velastrin/PROGRAMS.INI.
std::string ReadProgramsIni(const std::string& Section, const std::string& Key,
                            const std::string& Default);
const std::string& ProgramsIniFileName();
void SetProgramsIniFileName(const std::string& FileName); // empty: back to the default

// Registers this unit (udRoot); every unit has such an idempotent start-up function, and the
// program calls them in the order of its units.
void InitUnit_udroot();

} // namespace velastrin
