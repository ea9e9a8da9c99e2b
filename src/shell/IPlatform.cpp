#include "shell/IPlatform.h"

#include "shell/clsQtPlatform.h"

namespace {
IPlatform* installed = nullptr;
}

IPlatform& IPlatform::Current() {
    static clsQtPlatform real;
    return installed ? *installed : real;
}

void IPlatform::Install(IPlatform* platform) {
    installed = platform;
}
