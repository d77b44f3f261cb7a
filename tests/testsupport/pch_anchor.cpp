// Gives the shared precompiled test headers a translation unit of their own.
