# The Google client registration is set at build time; the placeholders make
# sign-in report "not configured" instead of opening a browser.
set(PELMORA_GOOGLE_CLIENT_ID "" CACHE STRING "OAuth client id of the installed-application registration")
set(PELMORA_GOOGLE_CLIENT_SECRET "" CACHE STRING "OAuth client secret of that registration")
