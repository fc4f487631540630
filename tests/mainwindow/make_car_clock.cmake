# Links a car's six camera names to the clock recording's channels: the front to its front, the
# back to its shorter back, the others to its inside. Run as:
# cmake -DCLOCK=<clock folder> -DOUT=<folder> -P make_car_clock.cmake
file(MAKE_DIRECTORY ${OUT})
foreach(camera front:A back:B left_repeater:C right_repeater:C left_pillar:C right_pillar:C)
    string(REPLACE ":" ";" pair ${camera})
    list(GET pair 0 name)
    list(GET pair 1 channel)
    set(link ${OUT}/2024-05-16_12-00-00-${name}.mp4)
    if(NOT EXISTS ${link})
        file(CREATE_LINK ${CLOCK}/2024_0516_120000_007${channel}.MP4 ${link} SYMBOLIC)
    endif()
endforeach()
