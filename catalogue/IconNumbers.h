// Resource numbers of the programs' 16x16 icons: one program icon and one profile icon each (some programs share
// another's profile icon). Plain definitions, so that the Windows resource script can include this file too.
#pragma once

#define IDI_FIREFOX 143
#define IDI_FIREFOX_PROFILE 144
#define IDI_THUNDERBIRD 145
#define IDI_THUNDERBIRD_PROFILE 146
#define IDI_CHROME 155
#define IDI_CHROME_PROFILE 156
#define IDI_SKYPE 157
#define IDI_SKYPE_PROFILE 158
#define IDI_CHROMIUM 159
#define IDI_PALEMOON 160
#define IDI_PALEMOON_PROFILE 161
#define IDI_EPIC 162
#define IDI_EPIC_PROFILE 163
#define IDI_OPERA 164
#define IDI_OPERA_PROFILE 165
#define IDI_SEAMONKEY_PROFILE 166
#define IDI_SEAMONKEY 167
#define IDI_YANDEX 169
#define IDI_YANDEX_PROFILE 170
#define IDI_CYBERFOX_PROFILE 171
#define IDI_CYBERFOX 172
#define IDI_FOSSAMAIL 173
#define IDI_VIBER 174
#define IDI_VIBER_PROFILE 175
#define IDI_SLIMJET 176
#define IDI_SLIMJET_PROFILE 177
#define IDI_VIVALDI 178
#define IDI_VIVALDI_PROFILE 179
#define IDI_BRAVE 180
#define IDI_EDGE 181
#define IDI_EDGE_PROFILE 182
#define IDI_OPERAGX 183
#define IDI_OPERAGX_PROFILE 184
#define IDI_WATERFOX 185
#define IDI_WATERFOX_PROFILE 186
#define IDI_LIBREWOLF 187
#define IDI_LIBREWOLF_PROFILE 188
#define IDI_FLOORP 189
#define IDI_FLOORP_PROFILE 190
#define IDI_ZEN 191
#define IDI_ZEN_PROFILE 192
