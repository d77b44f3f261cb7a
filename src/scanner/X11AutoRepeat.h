#pragma once

// On X11 a held key normally repeats as release and press pairs, which look exactly like the
// same key typed twice at speed (as a scanner types a doubled digit). Asked for detectable
// auto-repeat, the X server repeats presses only, so that every release the program sees is a
// real one. Elsewhere (Wayland, offscreen) releases are real anyway and this does nothing.
namespace x11keys {

// True when the X server took the request; false when not on X11 or refused.
bool enableDetectableAutoRepeat();

}  // namespace x11keys
