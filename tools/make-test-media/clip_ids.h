#pragma once

// Fixed identities of the generated test media. Every clip carries its id in the frame mark of
// each picture (frame_mark.h) and in the pitch of its tone (tone_mark.h).
//
//   id  file                  tone (Hz)
//    1  clip_h264_aac.mp4       400
//    2  clip_mpeg4_pcm.avi      500
//    3  clip_mpeg2_mp2.mpg      600
//    4  clip_matroska.mkv       700
//    5  clip_dv_pal.dv          800
//    6  video_only.avi          (no sound)
//    7  clip_1080p.mp4         1000
//    8  clip_576p.avi          1100
//    9  clip_ntsc.avi          1200
//   10  sound.wav, sound.mp3, SOUND.MP3, sound_cover.mp3   1300
//   11  mono.wav               1400
//   12  real_world/late_sound.*  picture and the sound's first second (its sound starts 1 s late)
//   13  real_world/late_sound.*  the sound's second second
//   14  still pictures: the frame number is the picture number of kPictureNumbers
//   15  real_world/portrait.mp4  (no sound; stored on its side, shown upright by its rotation)
//
// Id 0 is unused.

namespace testmedia {

enum ClipId : int {
    kClipH264Aac = 1,
    kClipMpeg4Pcm = 2,
    kClipMpeg2Mp2 = 3,
    kClipMatroska = 4,
    kClipDvPal = 5,
    kClipVideoOnly = 6,
    kClip1080p = 7,
    kClip576p = 8,
    kClipNtsc = 9,
    kSoundStereo = 10,
    kSoundMono = 11,
    kClipLateSound = 12,
    kToneLateSoundSecond = 13,
    kStillPictures = 14,
    kClipPortrait = 15,
};

// Frame numbers in the mark of the still pictures (clip id kStillPictures).
enum PictureNumber : int {
    kPictureJpg = 1,
    kPicturePng = 2,
    kPictureBmp = 3,
    kPictureWide = 4,
    kPictureTall = 5,
    kPictureHoliday = 6,
    kPicturePercent = 7,
    kPictureSeq3First = 11, // seq3/Image001.jpg .. Image003.jpg are 11, 12, 13
    kPictureSeq9First = 19, // seq9/Image9.jpg is 19, seq9/Image10.jpg is 20
    kPictureSingle = 25,    // single/Photo5.jpg
    kPicturePortrait = 30,  // real_world/portrait_exif.jpg (stored on its side)
    kPictureHuge = 31,      // real_world/huge.png
};

} // namespace testmedia
