// Where a sound device stands. The device reports, now and then, how many
// bytes it has taken; between two reports the played position runs on by
// time at the track's rate, but never past what the device has confirmed and
// never backwards. Each report restarts the run from where the position
// stood before it, so a device that runs fast or slow against the system
// clock is followed, not extrapolated.
#include "codec/sound_track.h"

namespace zorb {

void DeviceClockRestart(ZorbDeviceClock *c, uint64_t device, uint32_t now)
{
    *c = ZorbDeviceClock{device, 0, 0, 0, now, 0};
}

void DeviceClockCarryOver(ZorbDeviceClock *c, uint64_t device, uint32_t now)
{
    uint32_t at = c->Reported;
    *c = ZorbDeviceClock{device, at, at, at, now, at};
}

uint32_t DeviceClockUpdate(ZorbDeviceClock *c, uint64_t device, uint32_t now, uint32_t bytesPerSecond)
{
    uint32_t confirmed = c->Offset + static_cast<uint32_t>(device - c->DeviceBase);
    if (confirmed != c->Confirmed) {
        // The device took more: it plays that from about now on.
        c->From = c->Confirmed;
        if (PositionAfter(c->Reported, c->From))
            c->From = c->Reported;
        c->FromTime = now;
        c->Confirmed = confirmed;
    }
    uint64_t run = uint64_t(now - c->FromTime) * bytesPerSecond / 1000u;
    uint32_t room = c->Confirmed - c->From;
    uint32_t p = c->From + static_cast<uint32_t>(run < room ? run : room);
    if (PositionAfter(p, c->Reported))
        c->Reported = p;
    return c->Reported;
}

} // namespace zorb
