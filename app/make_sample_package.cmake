# Writes the sample upgrade package beside the program: two synthetic Intel HEX images in
# BootCodec/ and a CodecFileInfo.ini with boot state 0 that names them.
#   cmake -DOUT=<program folder> -P make_sample_package.cmake
# The images are our own patterns, not firmware: a boot image of 4096 bytes from address 0 and
# a codec image of 6144 bytes from address 0x2000. Each begins with the text of MARK, by which
# the programs tell a sample from firmware and refuse to send it to a real player.
cmake_minimum_required(VERSION 3.25)

set(BOOT_NAME "SampleBoot.hex")
set(CODEC_NAME "SampleCodec.hex")
set(MARK "VORPEX SAMPLE IMAGE - NOT FIRMWARE")
string(HEX "${MARK}" mark_hex)
string(LENGTH "${MARK}" mark_length)

function(hex_byte value out)
  math(EXPR v "${value} & 255" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${v}" 2 -1 digits)
  string(LENGTH "${digits}" n)
  if(n EQUAL 1)
    set(digits "0${digits}")
  endif()
  string(TOUPPER "${digits}" digits)
  set(${out} "${digits}" PARENT_SCOPE)
endfunction()

# One image of `size` bytes at `base`, 16 bytes to a record: the mark, then byte k is
# (k * step + seed) & 255.
function(write_hex path base size seed step)
  set(text "")
  set(offset 0)
  while(offset LESS size)
    math(EXPR address "${base} + ${offset}")
    math(EXPR count "${size} - ${offset}")
    if(count GREATER 16)
      set(count 16)
    endif()
    math(EXPR hi "(${address} >> 8) & 255")
    math(EXPR lo "${address} & 255")
    math(EXPR sum "${count} + ${hi} + ${lo}")
    hex_byte(${count} c)
    hex_byte(${hi} h)
    hex_byte(${lo} l)
    set(line ":${c}${h}${l}00")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      math(EXPR k "${offset} + ${i}")
      if(k LESS mark_length)
        math(EXPR digit "${k} * 2")
        string(SUBSTRING "${mark_hex}" ${digit} 2 mark_byte)
        math(EXPR value "0x${mark_byte}")
      else()
        math(EXPR value "(${k} * ${step} + ${seed}) & 255")
      endif()
      math(EXPR sum "${sum} + ${value}")
      hex_byte(${value} b)
      string(APPEND line "${b}")
    endforeach()
    math(EXPR check "(256 - (${sum} & 255)) & 255")
    hex_byte(${check} k)
    string(APPEND text "${line}${k}\r\n")
    math(EXPR offset "${offset} + ${count}")
  endwhile()
  string(APPEND text ":00000001FF\r\n")
  file(WRITE "${path}" "${text}")
endfunction()

file(MAKE_DIRECTORY "${OUT}/BootCodec")
write_hex("${OUT}/BootCodec/${BOOT_NAME}" 0 4096 17 7)
write_hex("${OUT}/BootCodec/${CODEC_NAME}" 8192 6144 91 13)
file(WRITE "${OUT}/CodecFileInfo.ini"
  "[BOOTINFO]\r\n"
  "BOOT UPGRADE=0\r\n"
  "BOOT FILENAME=${BOOT_NAME}\r\n"
  "BOOT VERSION=1.00\r\n"
  "[MAINDINFO]\r\n"
  "MAIND FILENAME=${CODEC_NAME}\r\n"
  "MAIND VERSION=1.00\r\n")
