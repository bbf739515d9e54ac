#include "backend/Registry.h"

#include <QStandardPaths>
#include <cstdint>

namespace {
// QSettings treats "/" and "\" in a key as nesting; an instance name is one key, so those
// characters are kept out of the path the store sees.
QString Group(const QString& key) {
  QString group = key;
  group.replace(u'/', u'_');
  group.replace(u'\\', u'_');
  return group;
}
}  // namespace

Registry::Registry() {
#ifdef Q_OS_WIN
  location_ = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Varnok Software");
  format_ = QSettings::NativeFormat;
#else
  location_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
              QStringLiteral("/Varnok Software/Logirem.ini");
  format_ = QSettings::IniFormat;
#endif
}

Registry::Registry(const QString& iniPath) : location_(iniPath), format_(QSettings::IniFormat) {}

std::unique_ptr<QSettings> Registry::open() const {
  return std::make_unique<QSettings>(location_, format_);
}

int32_t Registry::RegRead(const QString& key, const QString& name, int32_t def) const {
  const auto store = open();
  const QVariant value = store->value(Group(key) + u'/' + name);
  if (!value.isValid()) return def;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > UINT32_MAX) return def;
  // A DWORD above 2^31 reads back as the negative 32-bit number it was written from.
  return static_cast<int32_t>(static_cast<uint32_t>(number));
}

QString Registry::RegRead(const QString& key, const QString& name, const QString& def) const {
  const auto store = open();
  const QVariant value = store->value(Group(key) + u'/' + name);
  if (!value.isValid()) return def;
  QString text = value.toString().left(1024);
  if (text.endsWith(QChar(u'\0'))) text.chop(1);
  return text;
}

bool Registry::RegWrite(const QString& key, const QString& name, int32_t value) {
  const auto store = open();
  store->setValue(Group(key) + u'/' + name, static_cast<int>(value));
  store->sync();
  return store->status() == QSettings::NoError;
}

bool Registry::RegWrite(const QString& key, const QString& name, const QString& value) {
  const auto store = open();
  store->setValue(Group(key) + u'/' + name, value);
  store->sync();
  return store->status() == QSettings::NoError;
}

bool Registry::RegClean(const QString& key) {
  const auto store = open();
  store->beginGroup(Group(key));
  const bool present = !store->childKeys().isEmpty() || !store->childGroups().isEmpty();
  store->endGroup();
  if (!present) return false;
  store->remove(Group(key));
  store->sync();
  return store->status() == QSettings::NoError;
}
