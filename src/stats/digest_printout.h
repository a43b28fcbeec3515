// The digest printout: the ID box text and the digest text.
#pragma once

namespace krv {
class KrvSession;
class Printer;

void printDigest(KrvSession& session, Printer& printer);

}  // namespace krv
