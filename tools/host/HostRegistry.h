#pragma once
// Which VstHost an effect's requests go to (VstHostRequests.cpp).

#include "vst/VstAbi.h"

namespace qmhost {

class VstHost;

// The effect record of a loaded module and its host; UnregisterHost forgets
// every record of that host.
void RegisterEffect(AEffect* effect, VstHost* host);
void UnregisterHost(VstHost* host);

// An effect may call the host from its entry point, before its record is
// registered: while one of these lives, such requests on this thread go to
// host.
class LoadingOnThisThread {
public:
  explicit LoadingOnThisThread(VstHost* host);
  ~LoadingOnThisThread();
  LoadingOnThisThread(const LoadingOnThisThread&) = delete;
  LoadingOnThisThread& operator=(const LoadingOnThisThread&) = delete;

private:
  VstHost* mPrevious;
};

}  // namespace qmhost
