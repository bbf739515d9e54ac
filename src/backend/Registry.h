#pragma once
// The per-instance settings store. On Windows: HKEY_LOCAL_MACHINE\SOFTWARE\Varnok Software,
// one sub-key per instance, numbers as DWORD values. Elsewhere: an INI file in the user's
// configuration folder with one section per instance and the same value names.
#include <QSettings>
#include <QString>
#include <cstdint>
#include <memory>

class Registry {
 public:
  Registry();                                 // the system's store
  explicit Registry(const QString& iniPath);  // an INI file of the caller's choosing

  // Any failure (store, key or value missing, no rights, a value that is no number) gives
  // the default.
  int32_t RegRead(const QString& key, const QString& name, int32_t def) const;
  // Text values: at most 1024 characters, one trailing NUL dropped.
  QString RegRead(const QString& key, const QString& name, const QString& def) const;
  // Creates the key when needed; true when the value was stored. Failures are silent.
  bool RegWrite(const QString& key, const QString& name, int32_t value);
  bool RegWrite(const QString& key, const QString& name, const QString& value);
  // Removes one instance's key and everything in it; true when there was one to remove.
  bool RegClean(const QString& key);

  const QString& location() const { return location_; }

 private:
  std::unique_ptr<QSettings> open() const;

  QString location_;
  QSettings::Format format_;
};
