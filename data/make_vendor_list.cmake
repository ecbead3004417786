# Turns the IEEE registry's "XX-XX-XX   (hex)<tab><tab>Vendor" lines into
# the vendor list's "XXXXXXVendor" lines.
file(STRINGS ${IN} lines REGEX "^[0-9A-Fa-f][0-9A-Fa-f]-[0-9A-Fa-f][0-9A-Fa-f]-[0-9A-Fa-f][0-9A-Fa-f][ \t]+\\(hex\\)")
set(out "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^(..)-(..)-(..)[ \t]+\\(hex\\)[ \t]*(.*)$" "\\1\\2\\3\\4" entry "${line}")
  string(STRIP "${entry}" entry)
  string(TOUPPER "${entry}" code)
  string(SUBSTRING "${code}" 0 6 code)
  string(SUBSTRING "${entry}" 6 -1 name)
  string(APPEND out "${code}${name}\n")
endforeach()
file(WRITE ${OUT}.tmp "${out}")
file(RENAME ${OUT}.tmp ${OUT})
