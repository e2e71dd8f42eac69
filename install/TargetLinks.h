#pragma once
// Links and junctions in the target folder. Any user may change what is in the target; a link there
// that leads out of it would have the installation, with whatever rights it runs, write where that user
// points it. Where things lie is judged by the path the file system gives for an open handle, never by
// the text of a path; the target's own folder may itself be a link the operator chose, so "inside" means
// below the target's final path.
#include <string>

// The first link or junction below Target (a full path with a trailing backslash) that leads out of
// it or nowhere, as "<link>" and where it leads (empty when it leads nowhere); empty Link when there is
// none. Links are not followed while looking, so a loop or a link to a large tree costs nothing.
struct TLinkOut {
  std::wstring Link;
  std::wstring LeadsTo;
};
TLinkOut FindLinkLeadingOut(const std::wstring& Target);

// The error text that ends an installation over such a link.
std::wstring LinkLeadingOutText(const TLinkOut& Found);
