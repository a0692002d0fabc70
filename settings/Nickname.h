#pragma once

#include <QString>

// A network nickname is used and stored with each "&" doubled, the way the
// program has always written it to its settings and sent it to its peers.
// People see it with each "&" once.
namespace Nickname
{
// The form kept and sent for a name as typed: each "&" doubled.
[[nodiscard]] QString Stored(const QString& typed);
// The form drawn for a kept name: each "&&" becomes one "&"; a lone "&" stays.
// Shown(Stored(x)) == x for every x.
[[nodiscard]] QString Shown(const QString& stored);
} // namespace Nickname
