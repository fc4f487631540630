# Writes the recordings the main window tests open, deterministically and only once:
# a three-channel recording in the timestamped naming family, a two-channel one in the
# numbered family and a single file, each channel in a colour of its own.
# Run as: cmake -DOUT=<folder> -P make_recordings.cmake
file(MAKE_DIRECTORY ${OUT})

# make_video(<name> <colour> <seconds> [SIZE <w>x<h>] [DRAW <,filter...>])
function(make_video name colour seconds)
    cmake_parse_arguments(ARG "" "SIZE;DRAW" "" ${ARGN})
    if(NOT ARG_SIZE)
        set(ARG_SIZE 192x108)
    endif()
    if(EXISTS ${OUT}/${name})
        return()
    endif()
    execute_process(
        COMMAND ffmpeg -nostdin -loglevel error -y
                -f lavfi -i color=c=${colour}:s=${ARG_SIZE}:r=10:d=${seconds}${ARG_DRAW}
                -an -c:v mpeg4 -q:v 4 -g 10 -bitexact -fflags +bitexact -flags:v +bitexact
                -map_metadata -1 -f mp4 ${OUT}/${name}.part
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "ffmpeg could not write ${name}")
    endif()
    file(RENAME ${OUT}/${name}.part ${OUT}/${name})
endfunction()

make_video(2024_0516_101500_001A.MP4 red 4)
make_video(2024_0516_101500_001B.MP4 green 4)
make_video(2024_0516_101501_002C.MP4 blue 4)
make_video(R2_00.MP4 yellow 4)
make_video(R2_01_b.MP4 cyan 4)
make_video(clip.MP4 white 3)
make_video(long_A.MP4 gray 120)
# Left half red, right half blue: shows where the picture lands in a pane. 4:3, so that it
# fills a 640x480 pane without black bars.
make_video(halves.MP4 red 6 SIZE 320x240 DRAW ,drawbox=x=160:y=0:w=160:h=240:color=blue:t=fill)

# Recordings cut short, as when the card is pulled while recording: the index that the camera
# writes at the end of the file is missing. One between two good single files, and the back
# channel of a two-channel recording.
function(make_cut_video name)
    if(EXISTS ${OUT}/${name})
        return()
    endif()
    make_video(${name}.whole green 4)
    execute_process(COMMAND head -c 1024 ${OUT}/${name}.whole
                    OUTPUT_FILE ${OUT}/${name}.part RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "could not cut ${name}")
    endif()
    file(REMOVE ${OUT}/${name}.whole)
    file(RENAME ${OUT}/${name}.part ${OUT}/${name})
endfunction()

make_video(cut_a.MP4 red 2)
make_cut_video(cut_b.MP4)
make_video(cut_c.MP4 blue 2)
make_video(R4_00.MP4 yellow 3)
make_cut_video(R4_01_b.MP4)
# A car's six cameras, one colour each, in a folder of their own; two recordings a minute apart,
# the second without its pillars (as older cars write four cameras). A minute long, as the car
# writes them: a recording must not end and hand over to the next while a test looks at it.
file(MAKE_DIRECTORY ${OUT}/car)
foreach(camera front:red back:lime left_repeater:blue right_repeater:yellow left_pillar:magenta right_pillar:cyan)
    string(REPLACE ":" ";" pair ${camera})
    list(GET pair 0 name)
    list(GET pair 1 colour)
    make_video(car/2025-11-20_14-03-12-${name}.mp4 ${colour} 60 SIZE 320x240)
    if(NOT name MATCHES "pillar")
        make_video(car/2025-11-20_14-04-12-${name}.mp4 ${colour} 60 SIZE 320x240)
    endif()
endforeach()

# A file with a video name that holds plain text.
if(NOT EXISTS ${OUT}/cut_b_text.MP4)
    file(WRITE ${OUT}/cut_b_text.MP4 "not a video\n")
endif()
