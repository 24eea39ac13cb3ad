#include "platform/adsi/ObjectImpl.h"

namespace tavrel::adsi {

Status PropertyCache::load() {
  if (isNew_) return makeError(hr::OBJECT_UNBOUND, QStringLiteral("the object has not been created yet"));
  auto e = conn_->read(dn_, {});
  if (!e) return e.error();
  entry_ = std::move(*e);
  dn_ = entry_.dn;
  loaded_ = true;
  partial_ = false;
  deferred_.clear();
  return {};
}

Status PropertyCache::loadSome(const QStringList& attributes) {
  if (attributes.isEmpty()) return load();
  if (isNew_) return makeError(hr::OBJECT_UNBOUND, QStringLiteral("the object has not been created yet"));
  auto e = conn_->read(dn_, attributes);
  if (!e) return e.error();
  if (!loaded_) {
    entry_ = Entry{dn_, {}};
    loaded_ = true;
    partial_ = true;
  }
  const auto asked = [&](const QString& name) { return attributes.contains(name, Qt::CaseInsensitive); };
  entry_.attributes.removeIf([&](const Attribute& a) { return asked(a.name); });
  deferred_.removeIf(asked);
  for (const QString& name : attributes) {
    // An attribute the entry lacks is kept without values: known to be empty, not unread.
    if (entry_.find(name)) continue;
    Attribute* a = nullptr;
    for (Attribute& got : e->attributes)
      if (got.name.compare(name, Qt::CaseInsensitive) == 0) a = &got;
    entry_.attributes.append(a ? std::move(*a) : Attribute{name, {}});
  }
  return {};
}

std::optional<Values> PropertyCache::known(const QString& attribute) const {
  if (!loaded_ || deferred_.contains(attribute, Qt::CaseInsensitive)) return std::nullopt;
  if (const Attribute* a = entry_.find(attribute)) return a->values;
  if (partial_) return std::nullopt;
  return Values{};
}

Result<std::optional<Values>> PropertyCache::current(const QString& attribute) {
  const Modification* staged = nullptr;
  for (const Modification& m : staged_)
    if (m.attribute.compare(attribute, Qt::CaseInsensitive) == 0) staged = &m;
  if (staged && staged->op == ModOp::Replace) {
    if (staged->values.isEmpty()) return std::optional<Values>();
    return std::optional<Values>(staged->values);
  }
  Values base;
  if (!isNew_) {
    if (!loaded_ || (partial_ && !entry_.find(attribute))) {
      if (Status s = load(); !s) return s.error();
    }
    for (qsizetype i = 0; i < deferred_.size(); ++i) {
      if (deferred_[i].compare(attribute, Qt::CaseInsensitive) != 0) continue;
      auto e = conn_->read(dn_, {deferred_[i]});
      if (!e) return e.error();
      entry_.attributes += e->attributes;
      deferred_.removeAt(i);
      break;
    }
    if (const Attribute* a = entry_.find(attribute)) base = a->values;
  }
  if (staged && staged->op == ModOp::Add) base += staged->values;
  if (base.isEmpty()) return std::optional<Values>();
  return std::optional<Values>(base);
}

void PropertyCache::stage(ModOp op, const QString& attribute, Values values) {
  for (qsizetype i = 0; i < staged_.size(); ++i) {
    Modification& m = staged_[i];
    if (m.attribute.compare(attribute, Qt::CaseInsensitive) != 0) continue;
    if (op == ModOp::Add) {
      m.values += values;
      if (m.op != ModOp::Replace) m.op = ModOp::Add;
    } else {
      m.op = op;
      m.values = std::move(values);
    }
    return;
  }
  staged_.append(Modification{op, attribute, std::move(values)});
}

Status PropertyCache::commit() {
  if (isNew_) {
    QList<Attribute> attrs;
    for (const Modification& m : staged_)
      if (!m.values.isEmpty()) attrs.append(Attribute{m.attribute, m.values});
    if (Status s = conn_->add(dn_, attrs); !s) return s;
    isNew_ = false;
  } else {
    if (staged_.isEmpty()) return {};
    // What was read of each replaced attribute goes with the change, so that the back end need
    // not read it again.
    for (Modification& m : staged_)
      if (m.op == ModOp::Replace) m.previous = known(m.attribute);
    if (Status s = conn_->modify(dn_, staged_); !s) return s;
  }
  staged_.clear();
  loaded_ = false;
  return {};
}

}  // namespace tavrel::adsi
